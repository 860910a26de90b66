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
        qint64 ms;         // when it was received, ms since the epoch
        float loopCurrent; // mA
        float primary;     // in the PV's unit; NaN when the answer carried no PV
    };

    static constexpr qint64 kKeepMs = 60 * 60 * 1000; // the longest trend window: one hour
    // One command-3 answer a pass at best: a pass over sixteen addresses with one instrument takes
    // 18 steps of 600 ms, 334 answers an hour. Room for three times that.
    static constexpr int kCapacity = 1024;

    void add(const Sample& sample);
    void clear() { m_samples.clear(); }
    const std::deque<Sample>& samples() const { return m_samples; }

private:
    std::deque<Sample> m_samples;
};

} // namespace field
