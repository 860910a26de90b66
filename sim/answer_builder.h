#pragma once

#include "sim/instrument_config.h"
#include "sim/request_framer.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace sim {

constexpr quint8 kCommandNotImplemented = 64;

// The acknowledgement of `request`: `preambles` bytes 0xFF, delimiter 0x06 or 0x86, the
// request's address bytes echoed, command, byte count, the two response-code bytes, `data`
// and the check byte.
QByteArray buildAnswer(const Request& request, int preambles, quint8 responseCode,
                       quint8 deviceStatus, const QByteArray& data);

// Data of the command-0 answer: 12 bytes for HART 5, 22 for HART 7.
QByteArray commandZeroData(const InstrumentConfig& config);

// Data of the command-13 answer: tag (6 bytes), descriptor (12), day, month, year - 1900.
QByteArray commandThirteenData(const InstrumentConfig& config);

// Data of the command-3 answer at `seconds` since start: loop current, then units code and
// value of each configured variable.
QByteArray commandThreeData(const InstrumentConfig& config, double seconds);

// Data of a detail command (1, 2, 7, 8, 9, 12, 14, 15, 16, 20, 48, 50) at `seconds` since
// start; nothing when the instrument does not know the command (HART 5 has no 7, 8, 9, 20).
std::optional<QByteArray> detailData(const InstrumentConfig& config, int command,
                                     const QByteArray& requestData, double seconds);

// Whether the instrument holds 4 mA and signals digitally only: with its loop current mode off
// (HART 6 and later), or at any polling address but 0 (before HART 6).
bool isMultidrop(const InstrumentConfig& config);
constexpr double kMultidropCurrentMa = 4.0;

// The loop current in mA for primary value `pv` over the instrument's 4-20 mA range, held
// within the saturation limits 3.8 and 20.5 mA.
double loopCurrent(const InstrumentConfig& config, double pv);

} // namespace sim
