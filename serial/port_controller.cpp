#include "port_controller.h"

#include <limits>

namespace serial {

PortController::PortController(SerialPort& port, protocol::EventYield& yield, MessageSink messages,
                               QObject* parent)
    : QObject(parent), m_port(port), m_yield(yield), m_block(std::move(messages)) {
    m_reopenTimer.setInterval(kReopenIntervalMs);
    connect(&m_reopenTimer, &QTimer::timeout, this, &PortController::tryReopen);
    connect(&m_port, &SerialPort::deviceLost, this, &PortController::onDeviceLost);
}

void PortController::Open_Port() {
    m_reopenTimer.stop();
    openAndTune();
}

void PortController::changePort(const QString& portText) {
    // The operator's choice ends any search for a lost device.
    m_reopenTimer.stop();
    m_port.close();
    bool isNumber = false;
    const int number = portText.trimmed().toInt(&isNumber);
    if (isNumber && number >= std::numeric_limits<qint16>::min() &&
        number <= std::numeric_limits<qint16>::max())
        m_port.setCommPort(static_cast<qint16>(number));
    openAndTune();
}

qint16 PortController::commPort() const {
    return m_port.commPort();
}

void PortController::openAndTune() {
    const quint64 openNumber = ++m_openCount;
    if (!m_port.open()) {
        // The handle and the block stay as they were; the lamp is the only report.
        setLamp(kLampFailed);
        return;
    }
    tune(openNumber);
}

void PortController::tune(quint64 openNumber) {
    setLamp(kLampOpen);
    m_block.setHandle(m_port.handle());
    if (!yieldAndCheck(openNumber))
        return;
    m_block.Read_DCB();
    if (!yieldAndCheck(openNumber))
        return;
    m_block.Write_DCB();
    m_port.setDriverKeysRts(m_block.driverTogglesRts());
    m_yield.yield();
}

void PortController::onDeviceLost() {
    // Counts as an open of its own: a tune still under way must not touch the closed handle.
    ++m_openCount;
    setLamp(kLampFailed);
    m_reopenTimer.start();
}

void PortController::tryReopen() {
    if (m_port.isOpen()) {
        m_reopenTimer.stop();
        return;
    }
    if (!m_port.open())
        return; // still away: the lamp stays red, nothing is said
    m_reopenTimer.stop();
    tune(++m_openCount);
}

void PortController::setLamp(protocol::WinColour colour) {
    m_lamp = colour;
    emit lampChanged(colour);
}

bool PortController::yieldAndCheck(quint64 openNumber) {
    m_yield.yield();
    // A port change that ran meanwhile has opened (or failed to open) and tuned its own port.
    return openNumber == m_openCount && m_port.isOpen();
}

} // namespace serial
