#pragma once

#include <optional>

namespace field {

// Whether the 4–20 mA signal an instrument sends agrees with the primary value it reports: the
// current its range and transfer function call for, beside the current it says it sends.
struct LoopCheckInput {
    // From command 3.
    double pv = 0;
    double loopCurrentMa = 0;
    // From command 15; unset until it was read.
    std::optional<double> upperRange, lowerRange;
    int transferFunction = 0; // 0 linear, 1 square root; others cannot be checked
    // From the device status byte of the last answer.
    int deviceStatus = 0;
    // From command 7; unset when not read (HART 5 has no such command): taken as enabled.
    std::optional<bool> loopCurrentMode;
    // Agreement: within either bound.
    double toleranceMa = 0.05;
    double tolerancePercentOfSpan = 0.3;
};

struct LoopCheckResult {
    enum class Verdict { Agrees, Disagrees, CannotCheck };
    enum class Reason {
        None,
        RangeNotRead,
        ZeroSpan,
        TransferFunction,   // neither linear nor square root
        LoopCurrentModeOff, // multidrop: the current carries nothing
        Alarm,              // device malfunction: the current is at the alarm level
        CurrentFixed,
        Saturated,
        PvOutOfLimits,
        NoValueSent, // the PV or the loop current is HART's "no value" (NaN) or infinite
    };
    Verdict verdict = Verdict::CannotCheck;
    Reason reason = Reason::RangeNotRead;
    double percentOfRange = 0; // of the PV within LRV..URV, 0 to 100 inside the range
    double expectedMa = 0;
    double differenceMa = 0; // measured less expected
    double differencePercentOfSpan = 0;
};

// The saturation band of the signal: the current stays within it whatever the PV.
constexpr double kLowSaturationMa = 3.8;
constexpr double kHighSaturationMa = 20.5;

LoopCheckResult checkLoop(const LoopCheckInput& in);

} // namespace field
