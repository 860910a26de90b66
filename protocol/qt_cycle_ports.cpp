#include "qt_cycle_ports.h"

#include <QCoreApplication>

namespace protocol {

QtAnswerTimer::QtAnswerTimer() {
    m_timer.setInterval(kAnswerWaitMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (m_handler)
            m_handler();
    });
}

void QtAnswerTimer::setHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

void QtAnswerTimer::arm() {
    m_timer.start();
}

void QtAnswerTimer::disarm() {
    m_timer.stop();
}

bool QtAnswerTimer::isArmed() const {
    return m_timer.isActive();
}

void QtEventYield::yield() {
    QCoreApplication::processEvents();
}

} // namespace protocol
