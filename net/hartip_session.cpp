#include "hartip_session.h"

#include <QTcpSocket>
#include <QUdpSocket>
#include <QUrl>

namespace net {

bool looksLikeHartIp(const QString& device) {
    return device.startsWith(QLatin1String("hartip://")) ||
           device.startsWith(QLatin1String("hartip+udp://"));
}

std::optional<HartIpAddress> parseHartIpDevice(const QString& device) {
    if (!looksLikeHartIp(device))
        return std::nullopt;
    const QUrl url(device, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.path().isEmpty() || url.hasQuery() ||
        !url.userInfo().isEmpty())
        return std::nullopt;
    HartIpAddress address;
    address.host = url.host();
    address.udp = url.scheme() == QLatin1String("hartip+udp");
    const int port = url.port(protocol::hartip::kDefaultPort);
    if (port < 1 || port > 65535)
        return std::nullopt;
    address.port = quint16(port);
    return address;
}

HartIpSession::HartIpSession(HartIpAddress address, HartIpSessionMachine::Settings settings,
                             QObject* parent)
    : QObject(parent), m_address(std::move(address)), m_machine([&] {
          settings.datagrams = m_address.udp;
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
    if (m_address.udp)
        m_socket = new QUdpSocket(this);
    else
        m_socket = new QTcpSocket(this);
    QAbstractSocket* socket = m_socket;
    connect(socket, &QAbstractSocket::connected, this,
            [this] { apply(m_machine.connected(now())); });
    connect(socket, &QAbstractSocket::readyRead, this, [this, socket] {
        if (socket != m_socket)
            return;
        if (m_address.udp) {
            auto* udp = static_cast<QUdpSocket*>(socket);
            while (udp->hasPendingDatagrams()) {
                QByteArray datagram(int(udp->pendingDatagramSize()), '\0');
                udp->readDatagram(datagram.data(), datagram.size());
                apply(m_machine.received(datagram, now()));
            }
        } else {
            apply(m_machine.received(socket->readAll(), now()));
        }
    });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket] {
        if (socket != m_socket)
            return;
        m_socketError = socket->errorString();
        apply(m_machine.disconnected(now()));
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
        if (socket == m_socket)
            apply(m_machine.disconnected(now()));
    });
    socket->connectToHost(m_address.host, m_address.port);
}

void HartIpSession::apply(const HartIpSessionMachine::Actions& actions) {
    if (actions.disconnect && m_socket) {
        QAbstractSocket* gone = m_socket;
        m_socket = nullptr;
        gone->disconnect(this);
        if (!actions.send.isEmpty()) {
            // Session Close goes out before the connection ends.
            gone->write(actions.send);
            gone->flush();
            gone->disconnectFromHost();
        } else {
            gone->abort();
        }
        gone->deleteLater();
    } else if (!actions.send.isEmpty() && m_socket) {
        m_socket->write(actions.send);
    }
    if (actions.connect) {
        m_socketError.clear();
        connectSocket();
    }
    if (actions.answered)
        emit answered(*actions.answered);
    if (actions.timedOut)
        emit timedOut();
    for (const QByteArray& frame : actions.published)
        emit published(frame);
    if (m_machine.state() != m_reportedState) {
        m_reportedState = m_machine.state();
        emit stateChanged();
    }
}

} // namespace net
