#include "hartip_session.h"

#include <QSslSocket>
#include <QTcpSocket>
#include <QUdpSocket>

namespace net {

HartIpSession::HartIpSession(HartIpAddress address, HartIpSessionMachine::Settings settings,
                             PreSharedKey key, QObject* parent)
    : QObject(parent), m_address(std::move(address)), m_key(std::move(key)),
      m_answerTimeoutMs(settings.answerTimeoutMs), m_machine([&] {
          settings.datagrams = m_address.udp;
          settings.version = m_address.secure ? 2 : 1;
          settings.tls = m_address.secure;
          return settings;
      }()) {
    m_clock.start();
    m_tick.setInterval(100);
    connect(&m_tick, &QTimer::timeout, this, [this] { apply(m_machine.tick(now())); });
}

HartIpSession::~HartIpSession() {
    if (m_machine.state() == HartIpSessionMachine::State::Open)
        close();
}

void HartIpSession::open() {
    m_tick.start();
    apply(m_machine.start(now()));
}

void HartIpSession::close() {
    apply(m_machine.close(now()));
    m_tick.stop();
}

bool HartIpSession::ask(const QByteArray& frame) {
    HartIpSessionMachine::Actions actions;
    if (!m_machine.ask(frame, now(), &actions))
        return false;
    apply(actions);
    return true;
}

void HartIpSession::connectSocket() {
    if (m_socket)
        m_socket->deleteLater();
    m_socket = nullptr;
    if (m_address.secure) {
        m_obstacle = !m_key.isSet()       ? SecureObstacle::NoKey
                     : !pskTlsAvailable() ? SecureObstacle::NoTls
                                          : SecureObstacle::None;
        if (m_obstacle != SecureObstacle::None) {
            // Nothing to connect with: the session waits and looks again, as after a failure.
            // Told from the event loop, so that the try is seen to start and fail.
            QTimer::singleShot(0, this, [this] {
                if (!m_socket && m_machine.state() == HartIpSessionMachine::State::Connecting)
                    apply(m_machine.disconnected(now()));
            });
            return;
        }
        // TCP first; TLS starts on it when the machine says, before or after Session Initiate.
        auto* tls = newPskSocket(m_key, this);
        m_socket = tls;
        connect(tls, &QAbstractSocket::connected, this, [this, tls] {
            if (tls == m_socket)
                apply(m_machine.connected(now()));
        });
        connect(tls, &QSslSocket::encrypted, this, [this, tls] {
            if (tls == m_socket)
                apply(m_machine.secured(now()));
        });
        connectSignals(tls);
        tls->connectToHost(m_address.host, m_address.port);
        return;
    }
    if (m_address.udp)
        m_socket = new QUdpSocket(this);
    else
        m_socket = new QTcpSocket(this);
    QAbstractSocket* socket = m_socket;
    connect(socket, &QAbstractSocket::connected, this, [this, socket] {
        if (socket == m_socket)
            apply(m_machine.connected(now()));
    });
    connectSignals(socket);
    socket->connectToHost(m_address.host, m_address.port);
}

void HartIpSession::connectSignals(QAbstractSocket* socket) {
    connect(socket, &QAbstractSocket::readyRead, this, [this, socket] {
        if (socket != m_socket)
            return;
        if (m_address.udp) {
            auto* udp = static_cast<QUdpSocket*>(socket);
            while (udp->hasPendingDatagrams()) {
                QByteArray datagram(int(udp->pendingDatagramSize()), '\0');
                udp->readDatagram(datagram.data(), datagram.size());
                emit bytesOnTheWire(datagram, false);
                apply(m_machine.received(datagram, now()));
            }
        } else {
            const QByteArray bytes = socket->readAll();
            emit bytesOnTheWire(bytes, false);
            apply(m_machine.received(bytes, now()));
        }
    });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket] {
        if (socket != m_socket)
            return;
        m_socketError = socket->errorString();
        m_handshakeFailed = socket->error() == QAbstractSocket::SslHandshakeFailedError;
        apply(m_handshakeFailed ? m_machine.tlsFailed(now()) : m_machine.disconnected(now()));
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
        if (socket == m_socket)
            apply(m_machine.disconnected(now()));
    });
}

QHostAddress HartIpSession::localAddress() const {
    return m_socket ? m_socket->localAddress() : QHostAddress();
}

quint16 HartIpSession::localPort() const {
    return m_socket ? m_socket->localPort() : 0;
}

QHostAddress HartIpSession::peerAddress() const {
    return m_socket ? m_socket->peerAddress() : QHostAddress();
}

void HartIpSession::apply(const HartIpSessionMachine::Actions& actions) {
    if (actions.disconnect && m_socket) {
        QAbstractSocket* gone = m_socket;
        m_socket = nullptr;
        gone->disconnect(this);
        if (!actions.send.isEmpty()) {
            // Session Close goes out before the connection ends.
            gone->write(actions.send);
            emit bytesOnTheWire(actions.send, true);
            gone->flush();
            gone->disconnectFromHost();
        } else {
            gone->abort();
        }
        gone->deleteLater();
    } else if (!actions.send.isEmpty() && m_socket) {
        m_socket->write(actions.send);
        emit bytesOnTheWire(actions.send, true);
    }
    if (actions.startTls && m_socket)
        static_cast<QSslSocket*>(m_socket)->startClientEncryption();
    if (actions.connect) {
        m_socketError.clear();
        m_handshakeFailed = false;
        connectSocket();
    }
    if (actions.answered)
        emit answered(*actions.answered);
    if (actions.timedOut)
        emit timedOut();
    for (const QByteArray& frame : actions.published)
        emit published(frame);
    // A server that wants version 2: with a key, the next session is the secure one. A server
    // that closes the connection on a Session Initiate in the clear, or leaves it unanswered,
    // may be one that speaks only TLS, or one locked to version 2: with a key kept for it, the
    // secure session is tried too.
    using Failure = HartIpSessionMachine::Failure;
    const bool initiateFailed = m_machine.failedIn() == HartIpSessionMachine::State::Initiating;
    const bool closedAtInitiate = m_machine.failure() == Failure::ConnectionLost && initiateFailed;
    const bool unansweredInTheClear = m_machine.failure() == Failure::NoAnswer && initiateFailed;
    if (m_machine.state() == HartIpSessionMachine::State::Paused && !m_address.secure &&
        !m_address.udp && m_key.isSet() &&
        (m_machine.failure() == Failure::VersionRefused || closedAtInitiate ||
         unansweredInTheClear)) {
        m_address.secure = true;
        m_machine.goSecure();
        // It answered the clear Initiate with TLS, or closed on it: TLS is what it begins with.
        // Otherwise it read the Initiate, and takes one in the clear.
        if (closedAtInitiate ||
            (m_machine.failure() == Failure::VersionRefused && m_machine.refusedStatus() < 0))
            m_machine.setSecureOrder(HartIpSessionMachine::SecureOrder::TlsFirst);
    }
    if (m_machine.state() != m_reportedState) {
        m_reportedState = m_machine.state();
        emit stateChanged();
    }
}

} // namespace net
