#pragma once

#include "net/hartip_session_machine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class QAbstractSocket;

namespace net {

// Where a HART-IP server is: `hartip://HOST[:PORT]` (TCP) or `hartip+udp://HOST[:PORT]`, port
// 5094 unless given.
struct HartIpAddress {
    QString host;
    quint16 port = protocol::hartip::kDefaultPort;
    bool udp = false;
};
// Nothing when `device` is not such a string (a serial device, or a malformed one).
std::optional<HartIpAddress> parseHartIpDevice(const QString& device);
// Whether `device` names a HART-IP server at all, well-formed or not.
bool looksLikeHartIp(const QString& device);

// A HART-IP session over a real socket: the state machine's rules driven by the socket's events
// and a clock ticking ten times a second. It asks one HART frame at a time and reports its
// answer, or that none came.
class HartIpSession : public QObject {
    Q_OBJECT
public:
    HartIpSession(HartIpAddress address, HartIpSessionMachine::Settings settings,
                  QObject* parent = nullptr);
    ~HartIpSession() override;

    void open();
    // Session Close, then the connection; it stays closed.
    void close();
    // Asks `frame` (no preamble); false when the session is not open or a request waits.
    bool ask(const QByteArray& frame);

    const HartIpAddress& address() const { return m_address; }
    HartIpSessionMachine::State state() const { return m_machine.state(); }
    HartIpSessionMachine::Failure failure() const { return m_machine.failure(); }
    int refusedStatus() const { return m_machine.refusedStatus(); }
    // Responses to other requests, and messages that could not be read.
    int ignored() const { return m_machine.ignored(); }
    // The socket's own words for the last failure to connect ("Connection refused", …).
    const QString& socketError() const { return m_socketError; }

signals:
    void answered(const QByteArray& frame);
    // A frame the server published unasked (burst data of a subscription).
    void published(const QByteArray& frame);
    void timedOut();
    // Opened, failed, closed.
    void stateChanged();

private:
    void apply(const HartIpSessionMachine::Actions& actions);
    void connectSocket();
    qint64 now() const { return m_clock.elapsed(); }

    HartIpAddress m_address;
    HartIpSessionMachine m_machine;
    QAbstractSocket* m_socket = nullptr;
    QTimer m_tick;
    QElapsedTimer m_clock;
    QString m_socketError;
    HartIpSessionMachine::State m_reportedState = HartIpSessionMachine::State::Closed;
};

} // namespace net
