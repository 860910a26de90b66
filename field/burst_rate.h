#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

namespace field {

// How often an instrument publishes one command unasked (burst mode, a HART-IP subscription),
// from when its frames were heard. The line delays a frame now and then (another master's
// transaction, our own), so the period is the median of the last few intervals, not the last one.
class BurstRate {
public:
    void heard(qint64 ms);
    qint64 lastMs() const { return m_lastMs; }
    // Nothing until two frames were heard.
    std::optional<qint64> periodMs() const;
    // Still publishing at `nowMs`: the next frame is not overdue by more than a period and a
    // margin. An instrument taken out of burst mode stops being called bursting by itself.
    bool current(qint64 nowMs) const;

private:
    static constexpr int kKept = 7;
    std::array<qint64, kKept> m_intervals{};
    int m_count = 0; // intervals heard, up to kKept
    int m_next = 0;  // where the next interval goes
    qint64 m_lastMs = 0;
};

} // namespace field
