#pragma once

#include "net/hartip_address.h"
#include "net/hartip_session_machine.h"
#include "net/hartip_tls.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QAbstractSocket;

namespace net {

// A HART-IP session over a real socket: the state machine's rules driven by the socket's events
// and a clock ticking ten times a second. It asks one HART frame at a time and reports its
// answer, or that none came.
//
// With a pre-shared key the session also goes secure by itself when a server refuses version 1
// (or closes the connection on a Session Initiate in the clear): it opens again with TLS, with
// version 2, and stays there.
class HartIpSession : public QObject {
    Q_OBJECT
public:
    HartIpSession(HartIpAddress address, HartIpSessionMachine::Settings settings,
                  PreSharedKey key = {}, QObject* parent = nullptr);
    ~HartIpSession() override;

    void open();
    // Session Close, then the connection; it stays closed.
    void close();
    // Asks `frame` (no preamble); false when the session is not open or a request waits.
    bool ask(const QByteArray& frame);

    // Where, and whether the session has gone secure.
    const HartIpAddress& address() const { return m_address; }
    HartIpSessionMachine::State state() const { return m_machine.state(); }
    HartIpSessionMachine::Failure failure() const { return m_machine.failure(); }
    int refusedStatus() const { return m_machine.refusedStatus(); }
    // The stage the last failure came in.
    HartIpSessionMachine::State failedIn() const { return m_machine.failedIn(); }
    // A secure session's order: TLS after a Session Initiate in the clear, or TLS first.
    HartIpSessionMachine::SecureOrder secureOrder() const { return m_machine.secureOrder(); }
    int answerTimeoutMs() const { return m_answerTimeoutMs; }
    // Responses to other requests, and messages that could not be read.
    int ignored() const { return m_machine.ignored(); }
    // The socket's own words for the last failure to connect ("Connection refused", …).
    const QString& socketError() const { return m_socketError; }

    // Whether the last connection failed in the TLS handshake (a wrong key, most often).
    bool handshakeFailed() const { return m_handshakeFailed; }
    // Why a secure session cannot even be tried.
    enum class SecureObstacle { None, NoKey, NoTls };
    SecureObstacle secureObstacle() const { return m_obstacle; }
    // The connection's two ends; null addresses while there is none.
    QHostAddress localAddress() const;
    quint16 localPort() const;
    QHostAddress peerAddress() const;

signals:
    void answered(const QByteArray& frame);
    // A frame the server published unasked (burst data of a subscription).
    void published(const QByteArray& frame);
    void timedOut();
    // Opened, failed, closed.
    void stateChanged();
    // Bytes of HART-IP messages as they went to the socket (`sent`) or came from it: whole
    // messages when sent, a stream's pieces as they come when received. For captures.
    void bytesOnTheWire(const QByteArray& bytes, bool sent);

private:
    void apply(const HartIpSessionMachine::Actions& actions);
    void connectSocket();
    void connectSignals(QAbstractSocket* socket);
    qint64 now() const { return m_clock.elapsed(); }

    HartIpAddress m_address;
    PreSharedKey m_key;
    int m_answerTimeoutMs = 2000;
    SecureObstacle m_obstacle = SecureObstacle::None;
    HartIpSessionMachine m_machine;
    QAbstractSocket* m_socket = nullptr;
    QTimer m_tick;
    QElapsedTimer m_clock;
    QString m_socketError;
    bool m_handshakeFailed = false;
    HartIpSessionMachine::State m_reportedState = HartIpSessionMachine::State::Closed;
};

} // namespace net
