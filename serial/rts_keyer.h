#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

namespace serial {

// Keys the modem's transmitter when the driver does not: RTS goes up just before a frame is
// handed over and comes down once the frame has left the transmitter. write() never waits for
// the line; the drop is scheduled for the frame's time on the wire at 1200 bit/s and then
// confirmed with the driver, because a USB adapter may report its output sent while bytes are
// still in flight.
class RtsKeyer : public QObject {
    Q_OBJECT
public:
    // The requests the keyer makes of the open port.
    struct Lines {
        std::function<long(bool on)> setRts;                   // 0 or an error code
        std::function<std::optional<bool>()> transmitterEmpty; // nullopt: cannot tell
        std::function<void()> drain;                           // wait for the driver's output
        std::function<bool(long code)> isUnsupported;          // the device has no RTS at all
    };

    static constexpr int kBitsPerByte = 11; // start, 8 data, parity, stop
    static constexpr int kBitRate = 1200;
    static constexpr int kMarginMs = 3; // UART shift register and adapter latency
    static constexpr int kRecheckMs = 1;
    static constexpr int kMaxRechecks = 200; // never hold the carrier on for good

    explicit RtsKeyer(QObject* parent = nullptr);
    ~RtsKeyer() override;

    // A port was opened: key it in software until told otherwise.
    void attach(Lines lines);
    // The port is about to close: RTS comes down now.
    void detach();
    // False when the driver keys RTS itself.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    void beforeWrite();
    void afterHandOff(int byteCount);

    bool isRaised() const { return m_raised; }
    bool dropPending() const { return m_timer.isActive(); }

    // How long RTS stays up after the hand-off of `byteCount` bytes before the transmitter is
    // asked whether it is empty.
    static int holdMs(int byteCount);

private:
    void onTimer();
    void drop();

    Lines m_lines;
    bool m_attached = false;
    bool m_enabled = false;
    bool m_raised = false;
    int m_rechecks = 0;
    qint64 m_dropAtMs = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace serial
