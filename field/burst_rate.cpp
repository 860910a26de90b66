#include "burst_rate.h"

#include <algorithm>
#include <vector>

namespace field {

namespace {
// With one frame heard nothing says when the next is due; publishing periods run up to a minute
// or so, but a monitor that keeps saying "bursting" long after the last frame misleads.
constexpr qint64 kMarginMs = 2000;
constexpr qint64 kUnknownPeriodKeepMs = 10000;
} // namespace

void BurstRate::heard(qint64 ms) {
    if (m_lastMs > 0 && ms >= m_lastMs) {
        m_intervals[size_t(m_next)] = ms - m_lastMs;
        m_next = (m_next + 1) % kKept;
        m_count = qMin(m_count + 1, kKept);
    }
    m_lastMs = ms;
}

std::optional<qint64> BurstRate::periodMs() const {
    if (m_count == 0)
        return std::nullopt;
    std::vector<qint64> intervals(m_intervals.begin(), m_intervals.begin() + m_count);
    const auto middle = intervals.begin() + m_count / 2;
    std::nth_element(intervals.begin(), middle, intervals.end());
    return *middle;
}

bool BurstRate::current(qint64 nowMs) const {
    if (m_lastMs == 0)
        return false;
    const std::optional<qint64> period = periodMs();
    const qint64 keep = period ? 2 * *period + kMarginMs : kUnknownPeriodKeepMs;
    return nowMs - m_lastMs <= keep;
}

} // namespace field
