#pragma once

#include "rts_keyer.h"

#include "protocol/cycle_ports.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace serial {

// The HART modem's port: 1200 bit/s, odd parity, 8 data bits, 1 stop bit, no flow control.
// Bytes 0 to 255 pass unchanged both ways. Port 1 is selected at construction.
class SerialPort : public QObject, public protocol::HartPort {
    Q_OBJECT
public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    // Selects the port the next open uses. Refused (false) for a number below 1. A number
    // accepted replaces a device chosen by its path.
    bool setCommPort(qint16 number);
    qint16 commPort() const;
    // Selects a device by its path ("/dev/ttyUSB0") for the next open. Refused for an empty path.
    bool setDevice(const QString& path);
    // The device chosen by its path; empty when a numbered port is selected.
    const QString& chosenDevice() const { return m_devicePath; }
    // What the next open opens.
    QString devicePath() const;

    // Opens the selected port at the line settings. False, with the reason in `error`, when the
    // port is absent or in use; lastOpenError() then says which.
    bool open(QString* error = nullptr);
    QSerialPort::SerialPortError lastOpenError() const { return m_lastOpenError; }
    void close();
    bool isOpen() const;

    // The open device's handle (a file descriptor on POSIX); -1 when closed.
    qintptr handle() const;

    // Asserts DTR, now and after every later open, as the port's own setting. Lines a device
    // does not have (pseudo-terminals) are not an error.
    void setDtrEnable(bool on);
    bool dtrEnable() const { return m_dtrEnable; }

    std::optional<QByteArray> readAllWaiting() override;
    // What the port has fetched, without asking the driver for more: safe from its own
    // readyRead, where waiting for more would re-enter it.
    std::optional<QByteArray> readArrived() override;
    bool write(const QByteArray& frame) override;
    qint64 lastByteAgeMs() const override { return m_lastByteAgeMs; }

    // Whether the driver raises RTS while sending (set after the control block is written);
    // otherwise this port raises it around each write. Software keying is on after each open.
    void setDriverKeysRts(bool driverKeys);
    const RtsKeyer& rtsKeyer() const { return m_rts; }

    // What the port asks of the driver at every open.
    struct LineSettings {
        qint32 bitRate;
        QSerialPort::DataBits dataBits;
        QSerialPort::Parity parity;
        QSerialPort::StopBits stopBits;
        QSerialPort::FlowControl flowControl;
        bool operator==(const LineSettings& o) const {
            return bitRate == o.bitRate && dataBits == o.dataBits && parity == o.parity &&
                   stopBits == o.stopBits && flowControl == o.flowControl;
        }
    };
    LineSettings lineSettings() const;

    static constexpr qint32 kBitRate = 1200;
    static constexpr qint64 kReceiveBufferSize = 1024;

signals:
    // The open device went away (unplugged, hung up, removed): the port has been closed, so
    // nothing keeps retrying against it. Emitted once per loss, from the event loop.
    void deviceLost();
    // Bytes have come in and wait to be read.
    void bytesArrived();

private:
    void onPortError(QSerialPort::SerialPortError error);
    void closeLostDevice();

    QSerialPort m_port;
    RtsKeyer m_rts;
    qint16 m_number = 1;
    QString m_devicePath;
    QSerialPort::SerialPortError m_lastOpenError = QSerialPort::NoError;
    bool m_dtrEnable = false;
    bool m_lost = false; // the device went away; the port closes at the next turn of the loop
    QElapsedTimer m_sinceBytes; // since bytes last came in (Qt's notice of them)
    qint64 m_lastByteAgeMs = -1;
};

} // namespace serial
