#pragma once

#include "sim/waveform.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>
#include <vector>

namespace sim {

struct VariableConfig {
    quint8 units = 0;
    Waveform wave;
};

// Misbehaviour to play on purpose, so the master's handling of it can be watched.
struct FaultConfig {
    QSet<int> silentCommands;  // commands the instrument does not answer
    int corruptCheckEvery = 0; // every Nth answer goes out with a wrong check byte; 0: never
    quint8 responseCode = 0;   // first response-code byte of the served commands
    quint8 deviceStatus = 0;   // second response-code byte (field device status), every answer
    // Status that changes as the instrument runs, so a monitor can be watched reporting it.
    int configChangedAfter = 0;        // from its Nth answer on, "configuration changed"; 0: never
    std::optional<double> pvHighLimit; // while the PV is above it, "PV out of limits"
    int leaveAfter = 0; // after its Nth answer it answers nothing, as if taken off the loop
    // For the loop check: the current sent differs from the PV's by this many mA; or is held.
    double analogDriftMa = 0.0;
    std::optional<double> fixedCurrentMa; // "loop current fixed" is set while it holds
    bool moreStatus = false;              // "more status available" in every answer
};

// What the instrument tells when asked beyond commands 0, 13 and 3.
struct DetailsConfig {
    int alarmSelection = 0;   // 0 high, 1 low
    int transferFunction = 0; // 0 linear, 1 square root
    double damping = 0.5;     // seconds
    int writeProtect = 0;
    int loopCurrentMode = 1; // HART 7: 0 disabled (multidrop), 1 enabled
    quint32 sensorSerial = 0;
    double sensorUpper = 0.0, sensorLower = 0.0, minimumSpan = 0.0; // in the PV's units
    QString message;                                                // up to 32 packable characters
    quint32 finalAssembly = 0;                                      // 24 bits
    QString longTag;                         // HART 7: up to 32 Latin-1 characters
    std::array<quint8, 4> classifications{}; // HART 7, command 8
    quint8 variableStatus = 0xC0;            // HART 7, command 9: good, not limited
    // Command 48's bytes as sent; empty: six device-specific zero bytes and, for HART 7, the
    // extended status, operating mode and standardized status bytes, all clear.
    QByteArray additionalStatus;
};

// Burst mode: the instrument sends the answer to `command` on its own every `periodMs`, when
// the line is quiet, naming the two masters in turn.
struct BurstConfig {
    int command = 3;
    int periodMs = 500;
    // Commands 9 and 33: the device variable codes of the slots, as command 107 would set them.
    QList<quint8> variables{246, 247, 248, 249};
};

struct InstrumentConfig {
    int address = 0;      // polling address 0 to 15
    int hartRevision = 5; // 5 or 7
    quint8 manufacturer = 0;
    quint8 deviceType = 0;
    std::array<quint8, 3> deviceId{};
    int preambles = 5; // asked of the master and sent before each answer
    quint8 deviceRevision = 1;
    quint8 softwareRevision = 1;
    quint8 hardwareRevision = 1;  // HART 7: 0 to 31, sent in bits 7 to 3 of its byte
    quint8 physicalSignaling = 0; // HART 7: bits 2 to 0 of the same byte; 0 is Bell 202 current
    quint8 flags = 0;
    quint16 configChangeCounter = 0;
    QString tag;        // up to 8 packable characters
    QString descriptor; // up to 16 packable characters
    QDate date{2000, 1, 1};
    // Primary variable values at 4 mA and at 20 mA.
    double rangeLower = 0.0;
    double rangeUpper = 100.0;
    std::vector<VariableConfig> variables; // sent in command 3, at most four
    DetailsConfig details;
    FaultConfig faults;
    std::optional<BurstConfig> burst;
    int turnaroundMs = 20; // from the end of a request to the first byte of the answer
};

// A master beside the one under test, on the same line: it asks the instrument at polling
// address `address` for `command` every `periodMs`, by the same timers any master obeys.
struct OtherMasterConfig {
    bool primary = true;
    // Asked in turn: every command of `commands` of the first address, then of the next. Command
    // 0 goes in the short form to the polling address, every other in the long form.
    std::vector<int> addresses{1};
    std::vector<int> commands{3};
    int periodMs = 1000; // between one request and the next
};

using LoopConfig = std::vector<InstrumentConfig>;

constexpr int kMaxInstruments = 16;
constexpr int kMaxVariables = 4;

} // namespace sim
