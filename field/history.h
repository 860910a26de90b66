#pragma once

#include <QtGlobal>

#include <deque>

namespace field {

// The recent loop current and primary variable of one instrument, for its trend. Bounded twice:
// no sample older than the longest trend window is kept, and never more than `capacity`, so
// memory does not grow with the time the program runs.
class History {
public:
    struct Sample {
        qint64 ms; // when it was received, ms since the epoch
        // NaN for what the frame did not carry: a published frame may carry either alone.
        float loopCurrent; // mA
        float primary;     // in the PV's unit
    };

    static constexpr qint64 kKeepMs = 60 * 60 * 1000; // the longest trend window: one hour
    // Ten answers a second for the whole hour: the serial line gives one a pass (two with
    // Follow), HART-IP about two a second per instrument. 36000 samples of 16 bytes are about
    // 0.6 MB an instrument at most; the trend draws them thinned to its width.
    static constexpr int kCapacity = 36000;

    void add(const Sample& sample);
    void clear() { m_samples.clear(); }
    const std::deque<Sample>& samples() const { return m_samples; }

private:
    std::deque<Sample> m_samples;
};

} // namespace field
