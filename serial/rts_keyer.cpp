#include "rts_keyer.h"

#include <algorithm>

namespace serial {

RtsKeyer::RtsKeyer(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &RtsKeyer::onTimer);
    m_clock.start();
}

RtsKeyer::~RtsKeyer() = default;

void RtsKeyer::attach(Lines lines) {
    detach();
    m_lines = std::move(lines);
    m_attached = true;
    m_enabled = true;
}

void RtsKeyer::detach() {
    m_timer.stop();
    if (m_raised)
        drop();
    m_attached = false;
    m_enabled = false;
    m_lines = Lines();
}

void RtsKeyer::setEnabled(bool enabled) {
    if (!enabled && m_raised) {
        m_timer.stop();
        drop();
    }
    m_enabled = enabled && m_attached;
}

void RtsKeyer::beforeWrite() {
    if (!m_enabled || m_raised)
        return;
    const long code = m_lines.setRts(true);
    if (code == 0) {
        m_raised = true;
    } else if (m_lines.isUnsupported && m_lines.isUnsupported(code)) {
        // No RTS line at all (a pseudo-terminal): nothing to key on this port.
        m_enabled = false;
    }
    // Any other refusal: the frame still goes out; the next write tries again.
}

void RtsKeyer::afterHandOff(int byteCount) {
    if (!m_raised)
        return;
    const qint64 now = m_clock.elapsed();
    m_dropAtMs = std::max(m_timer.isActive() ? m_dropAtMs : now, now + holdMs(byteCount));
    m_rechecks = 0;
    m_timer.start(static_cast<int>(m_dropAtMs - now));
}

int RtsKeyer::holdMs(int byteCount) {
    const qint64 bits = qint64(std::max(byteCount, 0)) * kBitsPerByte;
    const qint64 airMs = (bits * 1000 + kBitRate - 1) / kBitRate;
    return static_cast<int>(airMs) + kMarginMs;
}

void RtsKeyer::onTimer() {
    const std::optional<bool> empty =
        m_lines.transmitterEmpty ? m_lines.transmitterEmpty() : std::nullopt;
    if (empty.has_value() && !*empty && m_rechecks < kMaxRechecks) {
        ++m_rechecks;
        m_timer.start(kRecheckMs);
        return;
    }
    if (!empty.has_value() && m_lines.drain)
        m_lines.drain();
    drop();
}

void RtsKeyer::drop() {
    if (m_lines.setRts)
        m_lines.setRts(false);
    m_raised = false;
}

} // namespace serial
