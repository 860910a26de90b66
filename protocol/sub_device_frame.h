#pragma once

#include "hart_frame.h"

#include <QByteArray>

#include <optional>

namespace protocol {

// Command 77, Send Command to Sub-Device: an I/O system passes a frame to the instrument on one
// of its cards and channels, and that instrument's answer back, inside its own request and
// answer. The embedded frame goes without preamble and without check byte: the I/O system makes
// them on its own line.
constexpr int kSendCommandToSubDevice = 77;

// The data of a command-77 request carrying `request` (its delimiter, address, command and
// data) to the instrument on `card` and `channel`, sent there with `preambles` preamble bytes.
QByteArray command77Data(int card, int channel, int preambles, const HartFrame& request);

// The instrument's answer inside a command-77 answer's data (after its two response bytes), as
// a frame of its own with its check byte made; nothing when it is not whole.
struct EmbeddedAnswer {
    int card = 0;
    int channel = 0;
    HartFrame frame;
};
std::optional<EmbeddedAnswer> embeddedAnswer(const QByteArray& data);

} // namespace protocol
