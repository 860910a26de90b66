#include "loop_check.h"

#include "protocol/hart_frame.h"

#include <algorithm>
#include <cmath>

namespace field {

namespace {

constexpr int kLinear = 0;
constexpr int kSquareRoot = 1;
constexpr double kSpanMa = 16.0;

// Device status bits that say the current does not follow the PV now.
constexpr int kMalfunction = protocol::device_status::kMalfunction;
constexpr int kCurrentFixed = protocol::device_status::kLoopCurrentFixed;
constexpr int kCurrentSaturated = protocol::device_status::kLoopCurrentSaturated;
constexpr int kPvOutOfLimits = protocol::device_status::kPrimaryOutOfLimits;

LoopCheckResult cannot(LoopCheckResult result, LoopCheckResult::Reason reason) {
    result.verdict = LoopCheckResult::Verdict::CannotCheck;
    result.reason = reason;
    return result;
}

} // namespace

LoopCheckResult checkLoop(const LoopCheckInput& in) {
    using Reason = LoopCheckResult::Reason;
    LoopCheckResult result;
    if (!std::isfinite(in.pv) || !std::isfinite(in.loopCurrentMa))
        return cannot(result, Reason::NoValueSent);
    if (!in.upperRange || !in.lowerRange)
        return cannot(result, Reason::RangeNotRead);
    const double span = *in.upperRange - *in.lowerRange; // negative for an inverted range
    if (span == 0.0 || !std::isfinite(span))
        return cannot(result, Reason::ZeroSpan);
    const double fraction = (in.pv - *in.lowerRange) / span;
    result.percentOfRange = 100.0 * fraction;
    if (in.transferFunction != kLinear && in.transferFunction != kSquareRoot)
        return cannot(result, Reason::TransferFunction);

    // Square root: the signal follows the root of the fraction (flow from a differential
    // pressure); nothing below the lower range value.
    const double signal =
        in.transferFunction == kSquareRoot ? std::sqrt(std::max(0.0, fraction)) : fraction;
    result.expectedMa = std::clamp(4.0 + kSpanMa * signal, kLowSaturationMa, kHighSaturationMa);
    result.differenceMa = in.loopCurrentMa - result.expectedMa;
    result.differencePercentOfSpan = 100.0 * result.differenceMa / kSpanMa;

    if (in.loopCurrentMode && !*in.loopCurrentMode)
        return cannot(result, Reason::LoopCurrentModeOff);
    if (in.deviceStatus & kMalfunction)
        return cannot(result, Reason::Alarm);
    if (in.deviceStatus & kCurrentFixed)
        return cannot(result, Reason::CurrentFixed);
    if (in.deviceStatus & kCurrentSaturated)
        return cannot(result, Reason::Saturated);
    if (in.deviceStatus & kPvOutOfLimits)
        return cannot(result, Reason::PvOutOfLimits);

    const bool agrees = std::abs(result.differenceMa) <= in.toleranceMa ||
                        std::abs(result.differencePercentOfSpan) <= in.tolerancePercentOfSpan;
    result.verdict =
        agrees ? LoopCheckResult::Verdict::Agrees : LoopCheckResult::Verdict::Disagrees;
    result.reason = Reason::None;
    return result;
}

} // namespace field
