#pragma once

#include "protocol/cycle_ports.h"

#include <functional>

namespace core {

// The line the polling cycle speaks over: the serial port with its fixed answer wait, or a
// network session whose wait ends with its answer. The cycle holds this one line throughout;
// what it forwards to can change between runs.
class LineSwitch : public protocol::HartPort, public protocol::AnswerTimer {
public:
    LineSwitch(protocol::HartPort& serialPort, protocol::AnswerTimer& serialTimer);

    void useSerial();
    void useNetwork(protocol::HartPort& port, protocol::AnswerTimer& timer);
    bool onNetwork() const { return m_port != &m_serialPort; }

    std::optional<QByteArray> readAllWaiting() override { return m_port->readAllWaiting(); }
    bool write(const QByteArray& frame) override { return m_port->write(frame); }
    qint64 lastByteAgeMs() const override { return m_port->lastByteAgeMs(); }
    void whenLineFree(std::function<void()> go) override { m_port->whenLineFree(std::move(go)); }
    void setHandler(std::function<void()> handler) override;
    void arm() override { m_timer->arm(); }
    void disarm() override { m_timer->disarm(); }
    bool isArmed() const override { return m_timer->isArmed(); }

private:
    protocol::HartPort& m_serialPort;
    protocol::AnswerTimer& m_serialTimer;
    protocol::HartPort* m_port;
    protocol::AnswerTimer* m_timer;
    std::function<void()> m_handler;
};

} // namespace core
