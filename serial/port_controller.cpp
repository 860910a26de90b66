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

void PortController::changeDevice(const QString& devicePath) {
    m_reopenTimer.stop();
    m_status.missingRemembered.clear();
    m_port.close();
    m_port.setDevice(devicePath);
    openAndTune();
}

void PortController::changePort(const QString& portText) {
    // The operator's choice ends any search for a lost device.
    m_reopenTimer.stop();
    m_status.missingRemembered.clear();
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

QString PortController::selectionText() const {
    return m_port.chosenDevice().isEmpty() ? QString::number(m_port.commPort())
                                           : m_port.chosenDevice();
}

void PortController::noteMissingRemembered(const QString& devicePath) {
    m_status.missingRemembered = devicePath;
    emit statusChanged(m_status);
}

void PortController::openAndTune() {
    const quint64 openNumber = ++m_openCount;
    QString systemText;
    if (!m_port.open(&systemText)) {
        // The handle and the block stay as they were; no message, the panel's line says why.
        setLamp(kLampFailed);
        setStatus(PortStatus::State::Failed,
                  classifyOpenFailure(m_port.devicePath(), m_port.lastOpenError()), systemText);
        return;
    }
    tune(openNumber);
}

void PortController::tune(quint64 openNumber) {
    setLamp(kLampOpen);
    setStatus(PortStatus::State::Open);
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
    setStatus(PortStatus::State::Lost);
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

void PortController::setStatus(PortStatus::State state, OpenFailure failure,
                               const QString& systemText) {
    m_status.state = state;
    m_status.devicePath = m_port.devicePath();
    m_status.failure = failure;
    m_status.systemText = systemText;
    emit statusChanged(m_status);
}

bool PortController::yieldAndCheck(quint64 openNumber) {
    m_yield.yield();
    // A port change that ran meanwhile has opened (or failed to open) and tuned its own port.
    return openNumber == m_openCount && m_port.isOpen();
}

} // namespace serial
