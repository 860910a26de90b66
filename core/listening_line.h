#pragma once

#include "protocol/cycle_ports.h"
#include "protocol/line_arbiter.h"
#include "protocol/line_framer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace core {

// The serial line as a master that shares it hears it: every byte read as it arrives and
// timed, the frames on the line found and classed, and requests sent only when the data-link
// timers give us the line. What the polling cycle reads at its tick is what follows our request
// and is not someone else's: our answer (or what came of it), never the other master's traffic
// or a burst frame, which are reported instead. Until someone else is heard it reads and sends
// exactly as the port itself would: the frames are found only to notice the first stranger. So
// a front end that may share a line listens a little before its first request (the window
// does while its scan question is open; the logger for a second).
class ListeningLine : public QObject, public protocol::HartPort {
    Q_OBJECT
public:
    // `port` is read whenever bytesArrived() is called (connect it to the port's own signal).
    explicit ListeningLine(protocol::HartPort& port, QObject* parent = nullptr);

    void setRole(protocol::MasterRole role);
    // Listening only: nothing is ever written to the port, whatever asks.
    void setListenOnly(bool on) { m_listenOnly = on; }
    bool listenOnly() const { return m_listenOnly; }
    // Reads what has come in and hears it.
    void bytesArrived();

    std::optional<QByteArray> readAllWaiting() override;
    bool write(const QByteArray& frame) override;
    qint64 lastByteAgeMs() const override { return m_lastByteAgeMs; }
    void whenLineFree(std::function<void()> go) override;

    // The longest a request waits for the line before it goes all the same: a line that is
    // never quiet must not stop the pass.
    static constexpr int kLongestWaitMs = 3000;

    // The wall-clock time of a frame's startMs or endMs, in µs since the epoch.
    qint64 epochUsAt(double lineMs) const { return m_epochUsAtStart + qint64(lineMs * 1000.0); }

signals:
    // A frame of someone else's heard to its end: the other master's request or answer, a burst
    // frame, or something broken while no answer of ours was due.
    void frameHeard(const protocol::HeardFrame& frame);
    // Every frame on the line, ours too, in the order they began: those heard as they end
    // (our own heard back from the modem aside), our requests as they are written (`sent`).
    // For captures.
    void frameOnTheLine(const protocol::HeardFrame& frame, bool sent);

private:
    double nowMs() const { return double(m_clock.nsecsElapsed()) / 1e6; }
    void heard(const protocol::HeardFrame& frame);
    void hear(const QByteArray& bytes, double atMs);
    void tryToSend();

    protocol::HartPort& m_port;
    QElapsedTimer m_clock;
    qint64 m_epochUsAtStart = 0; // the wall clock when m_clock started
    protocol::LineFramer m_framer;
    protocol::LineArbiter m_arbiter;
    bool m_shared = false; // someone else was heard: from then on the line is shared
    bool m_listenOnly = false;
    QByteArray m_asRead; // every byte since the cycle last read, for a line of our own
    double m_asReadAtMs = 0;
    QByteArray m_forCycle;    // ours, heard since the cycle last read
    int m_pendingGiven = 0;   // bytes of the frame being heard already given to the cycle
    bool m_answerDue = false; // our request went out; what follows until the next read is ours
    double m_lastOursMs = -1; // when the last byte for the cycle came
    QByteArray m_lastSent;    // our last request, to know it when the modem hears it back
    qint64 m_lastByteAgeMs = -1;
    std::function<void()> m_waiting;
    double m_waitingSinceMs = 0;
    QTimer m_lookAgain;
};

} // namespace core
