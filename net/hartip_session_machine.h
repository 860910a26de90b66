#pragma once

#include "protocol/hartip_message.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace net {

// A HART-IP session as a state machine, without sockets or timers: its owner tells it what
// happened (connected, bytes received, disconnected, the time now) and does what it asks (send
// these bytes, connect, disconnect), so every rule can be tried on a fake clock.
//
// The session opens with Session Initiate as a primary master (sent again every half second over
// UDP, where a datagram may be lost); while open it asks for one HART frame at a time (a
// token-passing PDU), matching each response to its sequence number, and sends Keep Alive when
// nothing else has gone out for a third of the inactivity timer, or when a request went
// unanswered and the server said nothing at all meanwhile. A response to another sequence number,
// or a message that cannot be taken apart, is ignored and counted. A session that fails (refused,
// no answer to Initiate or Keep Alive, connection lost, a header the stream cannot be read past)
// is opened again by itself after a pause.
class HartIpSessionMachine {
public:
    struct Settings {
        quint32 inactivityMs = 60000; // asked for in Session Initiate
        int answerTimeoutMs = 2000;   // a request not answered by then is over
        int reconnectMs = 1000;       // the pause before a failed session is opened again
        bool datagrams = false;       // UDP: each message is a datagram of its own
        quint8 version = 1;           // in every header sent; 2 only inside TLS
    };
    enum class State { Closed, Connecting, Initiating, Open, Paused };
    // Why the session is not open.
    enum class Failure {
        None,
        Refused,          // the server answered Session Initiate with an error status
        NoAnswer,         // Session Initiate or Keep Alive went unanswered
        ConnectionLost,   // the transport went away
        StreamUnreadable, // a malformed header: the rest of the stream cannot be framed
        VersionRefused,   // the server wants version 2: it refused Session Initiate in a
                          // version-2 header, or answered with TLS
    };

    // What the owner does after each call; several may be set at once, in this order.
    struct Actions {
        bool disconnect = false;
        bool connect = false;
        QByteArray send;
        std::optional<QByteArray> answered; // the HART frame that answered the request asked
        bool timedOut = false;              // the request asked has no answer
        QList<QByteArray> published;        // frames the server published (burst data)
    };

    explicit HartIpSessionMachine(Settings settings) : m_settings(settings) {}

    Actions start(qint64 nowMs);
    Actions connected(qint64 nowMs);
    Actions received(const QByteArray& bytes, qint64 nowMs);
    Actions disconnected(qint64 nowMs);
    Actions tick(qint64 nowMs);
    // Asks `frame` (without preamble) of the server; nothing is sent, and false returned, unless
    // the session is open and no other request is waiting for its answer. Asked while a Keep
    // Alive waits, the frame is held and goes out when the Keep Alive is answered.
    bool ask(const QByteArray& frame, qint64 nowMs, Actions* actions);
    // Ends the session: Session Close, then the transport.
    Actions close(qint64 nowMs);
    // The version the next session is opened with (2 once the transport is TLS).
    void setVersion(quint8 version) { m_settings.version = version; }

    State state() const { return m_state; }
    Failure failure() const { return m_failure; }
    int refusedStatus() const { return m_refusedStatus; }   // of the last Session Initiate refused
    quint32 inactivityMs() const { return m_inactivityMs; } // as the server set it
    int ignored() const { return m_ignored; }
    bool waitingForAnswer() const { return m_pending.has_value(); }

private:
    static constexpr qint64 kInitiateAgainMs = 500;

    QByteArray message(protocol::hartip::MessageId id, const QByteArray& body, qint64 nowMs);
    QByteArray initiateMessage(qint64 nowMs);
    void take(const protocol::hartip::Message& message, qint64 nowMs, Actions& actions);
    void fail(Failure failure, qint64 nowMs, Actions& actions);

    Settings m_settings;
    State m_state = State::Closed;
    Failure m_failure = Failure::None;
    int m_refusedStatus = -1;
    quint32 m_inactivityMs = 0;
    quint16 m_sequence = 0;
    quint16 m_firstInitiate = 0; // of the Initiates sent for the session being opened
    QByteArray m_stream;

    enum class Waiting { Initiate, KeepAlive, Frame };
    struct Pending {
        Waiting what;
        quint16 sequence;
        qint64 deadlineMs;
    };
    // The message id a response to what is waited for carries.
    static protocol::hartip::MessageId answeringId(Waiting what);
    std::optional<Pending> m_pending;
    std::optional<QByteArray> m_held; // asked while a Keep Alive waits; sent after it
    qint64 m_lastSentMs = 0;
    qint64 m_lastHeardMs = 0;
    qint64 m_reconnectAtMs = 0;
    int m_ignored = 0;
};

} // namespace net
