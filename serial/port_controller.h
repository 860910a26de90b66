#pragma once

#include "control_block.h"
#include "port_status.h"
#include "serial_port.h"

#include "protocol/board.h"
#include "protocol/cycle_ports.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace serial {

constexpr protocol::WinColour kLampOpen = 49152; // 0x00C000, green: the port opened
constexpr protocol::WinColour kLampFailed = 255; // 0x0000FF, red: the open failed, or the device
                                                 // went away
constexpr int kReopenIntervalMs = 1000;          // how often a lost device is looked for

// Opens, closes and tunes the modem's port for the window, which only shows the outcome.
class PortController : public QObject {
    Q_OBJECT
public:
    PortController(SerialPort& port, protocol::EventYield& yield, MessageSink messages,
                   QObject* parent = nullptr);

    // Open-and-tune the selected port (port 1 at start-up).
    void Open_Port();
    // A port chosen from the list: close, select the number in `portText` (kept as it was when
    // the text is not a number the port takes), open and tune.
    void changePort(const QString& portText);
    // A device chosen from the list by its path: close, select it, open and tune.
    void changeDevice(const QString& devicePath);

    qint16 commPort() const;
    // What the port list's box shows for the port selected: the device's path when one was
    // chosen by path, else the port number.
    QString selectionText() const;

    const PortStatus& status() const { return m_status; }
    // A remembered device that was not there at start-up, to be said until the next change.
    void noteMissingRemembered(const QString& devicePath);
    protocol::WinColour lampColour() const { return m_lamp; }
    ControlBlock& controlBlock() { return m_block; }

    // While a lost device is being looked for again.
    bool isReopening() const { return m_reopenTimer.isActive(); }
    void setReopenIntervalMs(int ms) { m_reopenTimer.setInterval(ms); }
    // One look for the lost device, as the timer makes about once a second: opened and tuned
    // when it is back, nothing said when it is not.
    void tryReopen();

signals:
    void lampChanged(protocol::WinColour colour);
    void statusChanged(const serial::PortStatus& status);

private:
    // The device went away under an open port: the lamp turns red and the same device is opened
    // again, quietly, about once a second until it is back; it is then tuned as at start-up.
    void onDeviceLost();
    void tune(quint64 openNumber);
    void openAndTune();
    void setLamp(protocol::WinColour colour);
    void setStatus(PortStatus::State state, OpenFailure failure = OpenFailure::Other,
                   const QString& systemText = QString());
    bool yieldAndCheck(quint64 openNumber);

    SerialPort& m_port;
    protocol::EventYield& m_yield;
    ControlBlock m_block;
    protocol::WinColour m_lamp = kLampFailed;
    // Counts the opens, so a tune that an event handler interrupted with another port change
    // does not go on with a descriptor that is no longer this port's.
    quint64 m_openCount = 0;
    QTimer m_reopenTimer;
    PortStatus m_status;
};

} // namespace serial
