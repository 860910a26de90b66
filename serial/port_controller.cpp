#include "port_controller.h"

#include <limits>

namespace serial {

PortController::PortController(SerialPort& port, protocol::EventYield& yield, MessageSink messages,
                               QObject* parent)
    : QObject(parent), m_port(port), m_yield(yield), m_block(std::move(messages)) {}

void PortController::Open_Port() {
    openAndTune();
}

void PortController::changePort(const QString& portText) {
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
