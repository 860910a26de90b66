#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

namespace protocol {

// The serial port as the polling cycle sees it.
class HartPort {
public:
    virtual ~HartPort() = default;
    // Every byte received since the last read, in order; the receive buffer is left empty.
    // std::nullopt when the read failed (for instance on a closed port).
    virtual std::optional<QByteArray> readAllWaiting() = 0;
    // Queues the frame in one write and returns at once. False when the write failed.
    virtual bool write(const QByteArray& frame) = 0;
    // How long before the last readAllWaiting() the last byte it returned had arrived, in ms;
    // -1 when that read returned nothing or the line cannot tell.
    virtual qint64 lastByteAgeMs() const { return -1; }
    // What has arrived and is at hand now, read without waiting for more: for a listener that
    // reads as bytes come. By default the same as readAllWaiting().
    virtual std::optional<QByteArray> readArrived() { return readAllWaiting(); }
    // Calls `go` once the line may be spoken on: at once on a line of our own, later when
    // another master or an instrument in burst mode has it. `go` is not called after the run
    // it belongs to stopped only because the caller checks; a newer call replaces an older.
    virtual void whenLineFree(std::function<void()> go) { go(); }
};

// The 600 ms answer wait. While armed it calls the handler once per interval.
class AnswerTimer {
public:
    virtual ~AnswerTimer() = default;
    virtual void setHandler(std::function<void()> handler) = 0;
    virtual void arm() = 0;
    virtual void disarm() = 0;
    virtual bool isArmed() const = 0;
};

// Lets pending window events run to completion.
class EventYield {
public:
    virtual ~EventYield() = default;
    virtual void yield() = 0;
};

} // namespace protocol
