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
//
// Every stage has the answer timeout as its limit: the connection, the TLS handshake, Session
// Initiate, a message once begun. Only whole messages count as the server heard; a session whose
// requests all go unanswered for two passes of the loop, while Keep Alives are answered, is
// taken for one the server no longer knows (it restarted unseen) and is opened again.
//
// A secure session (version 2) runs TLS with a pre-shared key on the TCP connection. Servers
// differ in the order: some take Session Initiate in the clear and start TLS after answering
// it, others begin with TLS and take Session Initiate inside. The machine tries one order; a
// session that fails before it opens (other than by a refusal or a handshake the key failed)
// tries the other next, and the order that once opened a session is kept.
class HartIpSessionMachine {
public:
    struct Settings {
        quint32 inactivityMs = 60000; // asked for in Session Initiate
        int answerTimeoutMs = 2000;   // a request not answered by then is over
        int reconnectMs = 1000;       // the pause before a failed session is opened again
        bool datagrams = false;       // UDP: each message is a datagram of its own
        quint8 version = 1;           // in every header sent; 2 with TLS
        bool tls = false;             // version 2 with TLS on the connection
        // Frame requests in a row with no answer at all after which the session is taken for
        // lost: two passes over the sixteen polling addresses.
        int unansweredLimit = 32;
    };
    enum class State { Closed, Connecting, Securing, Initiating, Open, Paused };
    // The order of a secure session's start.
    enum class SecureOrder { InitiateFirst, TlsFirst };
    // Why the session is not open.
    enum class Failure {
        None,
        Refused,        // the server answered Session Initiate with an error status
        NoAnswer,       // a stage went unanswered within the answer timeout (failedIn() says which)
        ConnectionLost, // the transport went away
        StreamUnreadable,  // a malformed header: the rest of the stream cannot be framed
        VersionRefused,    // the server wants version 2: it refused Session Initiate in a
                           // version-2 header, or answered with TLS
        TlsExpected,       // a secure session's Session Initiate in the clear was answered with TLS
        TlsRefused,        // the TLS handshake failed: the key or its identity is wrong
        MessageUnfinished, // a message begun was not finished within the answer timeout
        RequestsUnanswered, // no request answered for two passes while Keep Alives were
    };

    // What the owner does after each call; several may be set at once, in this order.
    struct Actions {
        bool disconnect = false;
        bool connect = false;
        QByteArray send;
        bool startTls = false; // begin the TLS handshake on the connection, after `send`
        std::optional<QByteArray> answered; // the HART frame that answered the request asked
        bool timedOut = false;              // the request asked has no answer
        QList<QByteArray> published;        // frames the server published (burst data)
    };

    explicit HartIpSessionMachine(Settings settings) : m_settings(settings) {}

    Actions start(qint64 nowMs);
    Actions connected(qint64 nowMs);
    // The TLS handshake is done, or it failed.
    Actions secured(qint64 nowMs);
    Actions tlsFailed(qint64 nowMs);
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
    // From now on the sessions are secure: version 2, with TLS.
    void goSecure();
    SecureOrder secureOrder() const { return m_order; }
    void setSecureOrder(SecureOrder order) { m_order = order; }

    State state() const { return m_state; }
    Failure failure() const { return m_failure; }
    // The stage the last failure came in: Connecting, Securing, Initiating or Open.
    State failedIn() const { return m_failedIn; }
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
    void sendInitiate(qint64 nowMs, Actions& actions);
    void opened();
    // Whether the transport is still without TLS where the session wants it.
    bool clearBeforeTls() const { return m_settings.tls && m_state != State::Securing && !m_tlsUp; }

    Settings m_settings;
    State m_state = State::Closed;
    State m_failedIn = State::Closed;
    Failure m_failure = Failure::None;
    SecureOrder m_order = SecureOrder::InitiateFirst;
    bool m_orderProven = false;   // a session opened in m_order
    bool m_tlsUp = false;         // on this connection
    qint64 m_stageDeadlineMs = 0; // Connecting, Securing: the stage fails by then
    qint64 m_partialSinceMs = -1; // since when part of a message waits for its rest
    int m_unansweredInRow = 0;
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
