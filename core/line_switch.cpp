#include "line_switch.h"

namespace core {

LineSwitch::LineSwitch(protocol::HartPort& serialPort, protocol::AnswerTimer& serialTimer)
    : m_serialPort(serialPort), m_serialTimer(serialTimer), m_port(&serialPort),
      m_timer(&serialTimer) {}

void LineSwitch::useSerial() {
    m_timer->disarm();
    m_port = &m_serialPort;
    m_timer = &m_serialTimer;
}

void LineSwitch::useNetwork(protocol::HartPort& port, protocol::AnswerTimer& timer) {
    m_timer->disarm();
    m_port = &port;
    m_timer = &timer;
    m_timer->setHandler(m_handler);
}

void LineSwitch::setHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
    m_serialTimer.setHandler(m_handler);
    if (m_timer != &m_serialTimer)
        m_timer->setHandler(m_handler);
}

} // namespace core
