#include "serial_port.h"

#include "modem_lines.h"
#include "port_naming.h"

namespace serial {

namespace {

// Bounds the reads of one readAllWaiting() on a line that never stops talking.
constexpr int kMaxPullsPerRead = 64;

bool isReadFailure(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
}

// A file descriptor on POSIX, a HANDLE on Windows; the cast suits both.
qintptr nativeHandle(const QSerialPort& port) {
    return qintptr(port.handle());
}

} // namespace

SerialPort::SerialPort(QObject* parent) : QObject(parent) {
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPort::onPortError);
    // Each arrival is noticed while the answer wait lets the event loop run: the last one is
    // when the answer was complete.
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        m_sinceBytes.start();
        emit bytesArrived();
    });
}

SerialPort::~SerialPort() {
    close();
}

bool SerialPort::setCommPort(qint16 number) {
    if (number < 1)
        return false;
    m_number = number;
    m_devicePath.clear();
    return true;
}

bool SerialPort::setDevice(const QString& path) {
    if (path.isEmpty())
        return false;
    m_devicePath = path;
    return true;
}

QString SerialPort::devicePath() const {
    return m_devicePath.isEmpty() ? portDevicePath(m_number) : m_devicePath;
}

qint16 SerialPort::commPort() const {
    return m_number;
}

bool SerialPort::open(QString* error) {
    close();
    m_port.clearError();
    m_port.setPortName(devicePath());
    m_port.setBaudRate(kBitRate);
    m_port.setParity(QSerialPort::OddParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(kReceiveBufferSize);
    m_lastOpenError = QSerialPort::NoError;
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lastOpenError = m_port.error();
        if (error)
            *error = m_port.errorString();
        m_port.clearError();
        return false;
    }
    const qintptr fd = nativeHandle(m_port);
    RtsKeyer::Lines lines;
    lines.setRts = [fd](bool on) { return setModemLine(fd, ModemLine::Rts, on); };
    lines.transmitterEmpty = [fd] { return transmitterEmpty(fd); };
    lines.drain = [fd] { drainOutput(fd); };
    lines.isUnsupported = isUnsupportedRequest;
    m_rts.attach(std::move(lines));
    m_lost = false;
    if (m_dtrEnable)
        setModemLine(fd, ModemLine::Dtr, true);
    return true;
}

void SerialPort::close() {
    m_lost = false;
    m_rts.detach();
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

bool SerialPort::isOpen() const {
    return m_port.isOpen();
}

SerialPort::LineSettings SerialPort::lineSettings() const {
    return {m_port.baudRate(), m_port.dataBits(), m_port.parity(), m_port.stopBits(),
            m_port.flowControl()};
}

qintptr SerialPort::handle() const {
    return m_port.isOpen() ? nativeHandle(m_port) : -1;
}

void SerialPort::setDtrEnable(bool on) {
    m_dtrEnable = on;
    if (!m_port.isOpen())
        return;
    // A refusal, including a device without the line, leaves nothing for the caller to do.
    setModemLine(nativeHandle(m_port), ModemLine::Dtr, on);
}

std::optional<QByteArray> SerialPort::readAllWaiting() {
    if (!m_port.isOpen() || m_lost)
        return std::nullopt;
    m_port.clearError();
    // QSerialPort only hands out what its notifier has already fetched; pull whatever the
    // driver holds as well, so the caller gets everything received up to now.
    m_lastByteAgeMs = -1;
    QByteArray bytes = m_port.readAll();
    for (int pull = 0; pull < kMaxPullsPerRead && m_port.waitForReadyRead(0); ++pull) {
        bytes += m_port.readAll();
        m_sinceBytes.start(); // came in just now, unnoticed till this read
    }
    if (!bytes.isEmpty() && m_sinceBytes.isValid())
        m_lastByteAgeMs = m_sinceBytes.elapsed();
    const bool failed = isReadFailure(m_port.error());
    m_port.clearError();
    if (failed && bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> SerialPort::readArrived() {
    if (!m_port.isOpen() || m_lost)
        return std::nullopt;
    return m_port.readAll();
}

bool SerialPort::write(const QByteArray& frame) {
    if (!m_port.isOpen() || m_lost)
        return false;
    m_rts.beforeWrite();
    if (m_port.write(frame) != frame.size()) {
        m_port.clearError();
        m_rts.afterHandOff(0);
        return false;
    }
    // One write(2) now rather than at the next turn of the event loop, so the answer wait
    // counts from the moment the bytes reach the driver. It does not block.
    m_port.flush();
    m_rts.afterHandOff(static_cast<int>(frame.size()));
    return !m_lost; // a device that went away fails the write it is handed
}

void SerialPort::setDriverKeysRts(bool driverKeys) {
    m_rts.setEnabled(!driverKeys);
}

void SerialPort::onPortError(QSerialPort::SerialPortError error) {
    if (m_lost || !m_port.isOpen())
        return;
    // A hung-up line reads as end of file, which QSerialPort reports as a read error again and
    // again for as long as the port stays open; a write to it fails with EIO.
    const bool gone = error == QSerialPort::ResourceError ||
                      ((error == QSerialPort::ReadError || error == QSerialPort::WriteError) &&
                       lineHungUp(nativeHandle(m_port)));
    if (!gone)
        return;
    m_lost = true;
    // Not closed here, inside QSerialPort's own notification: once it has returned.
    QMetaObject::invokeMethod(this, &SerialPort::closeLostDevice, Qt::QueuedConnection);
}

void SerialPort::closeLostDevice() {
    if (!m_lost)
        return; // closed, or opened anew, meanwhile
    close();
    emit deviceLost();
}

} // namespace serial
