#include "qt_cycle_ports.h"

#include <QCoreApplication>

namespace protocol {

namespace {

constexpr qint64 kNanosecondsPerMs = 1000 * 1000;

} // namespace

QtAnswerTimer::QtAnswerTimer(int intervalMs) : m_intervalMs(intervalMs) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { onTimeout(); });
}

void QtAnswerTimer::setHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

void QtAnswerTimer::arm() {
    m_deadline = QDeadlineTimer(std::chrono::milliseconds(m_intervalMs), Qt::PreciseTimer);
    waitForDeadline();
}

void QtAnswerTimer::disarm() {
    m_timer.stop();
}

bool QtAnswerTimer::isArmed() const {
    return m_timer.isActive();
}

void QtAnswerTimer::waitForDeadline() {
    // Whole milliseconds, rounded up: a timer set for the remainder cannot end before it.
    const qint64 remainingNs = m_deadline.remainingTimeNSecs();
    const qint64 remainingMs = (remainingNs + kNanosecondsPerMs - 1) / kNanosecondsPerMs;
    m_timer.start(static_cast<int>(qMax<qint64>(remainingMs, 0)));
}

void QtAnswerTimer::onTimeout() {
    if (!m_deadline.hasExpired()) {
        waitForDeadline(); // woken a little early: the wait is not over yet
        return;
    }
    // Armed until the handler says otherwise, as a repeating timer would be.
    m_deadline = QDeadlineTimer(std::chrono::milliseconds(m_intervalMs), Qt::PreciseTimer);
    m_timer.start(m_intervalMs);
    if (m_handler)
        m_handler();
}

void QtEventYield::yield() {
    QCoreApplication::processEvents();
}

} // namespace protocol
