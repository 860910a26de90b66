#include "sim/waveform.h"

#include <cmath>

namespace sim {

double Waveform::valueAt(double seconds) const {
    if (shape == Shape::Constant || period <= 0.0)
        return value;
    const double t = seconds + phase;
    if (shape == Shape::Sine) {
        constexpr double kTwoPi = 6.283185307179586;
        const double mid = (min + max) / 2.0;
        const double amplitude = (max - min) / 2.0;
        return mid + amplitude * std::sin(kTwoPi * t / period);
    }
    double cycles = t / period;
    cycles -= std::floor(cycles);
    return min + (max - min) * cycles;
}

} // namespace sim
