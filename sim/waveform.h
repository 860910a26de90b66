#pragma once

namespace sim {

// How one value of an instrument moves with time: held still, a sine between min and max, or
// a ramp from min up to max that starts again at min after each period.
struct Waveform {
    enum class Shape { Constant, Sine, Ramp };

    Shape shape = Shape::Constant;
    double value = 0.0; // the constant value
    double min = 0.0;
    double max = 0.0;
    double period = 60.0; // seconds, > 0 for sine and ramp
    double phase = 0.0;   // seconds added to the time

    double valueAt(double seconds) const;
};

} // namespace sim
