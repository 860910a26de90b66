#include "sim/hartip_server.h"

#include "sim/gateway.h"

#include "protocol/hart_frame.h"
#include "protocol/hartip_message.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

namespace ip = protocol::hartip;

// The first response byte of an answer for a polling address no instrument holds: bit 7, a
// communication error, so the master does not take it for an instrument.
constexpr char kNobodyThere = char(0x80);

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

int boundSocket(int type, quint16 port, QString& error) {
    const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = systemError("socket");
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (type == SOCK_STREAM && ::listen(fd, 8) != 0)) {
        error = systemError(type == SOCK_STREAM ? "TCP" : "UDP");
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Session {
    bool open = false;
    QByteArray buffer; // TCP: what arrived and is not a whole message yet
    // Command 533 asked for published data of the instrument with this long address (as sent:
    // its master bit set), with these flags; command 532 reads them back.
    QByteArray subscribed;
    quint16 flags = 0;
    qint64 nextPublishMs = 0;
    quint16 publishSequence = 0;
};

// Commands 532 and 533, Read and Write Client Subscription Flags, go inside command 31 (commands
// above 255): the 16-bit number, then the device's unique address and (533) the flags.
constexpr int kExpandedCommand = 31;
constexpr int kReadSubscription = 532;
constexpr int kWriteSubscription = 533;
constexpr qint64 kPublishEveryMs = 1000;

class Dispatcher {
public:
    Dispatcher(Loop& loop, Gateway* gateway, std::FILE* log, const HartIpServer::Faults& faults)
        : m_loop(loop), m_gateway(gateway), m_log(log), m_faults(faults) {
        m_clock.start();
    }
    qint64 now() const { return m_clock.elapsed(); }

    // What to send back for `request` in `session`; `close` is set when the session ends.
    QByteArray answer(const ip::Message& request, Session& session, bool& close) {
        ip::Message response;
        response.type = ip::MessageType::Response;
        response.id = request.id;
        response.sequence = request.sequence;
        switch (request.id) {
        case ip::MessageId::SessionInitiate:
            if (const auto initiate = ip::SessionInitiate::parse(request.body)) {
                response.status = session.open ? ip::kSessionAlreadyOpen : ip::kSuccess;
                response.body = initiate->encode();
                session.open = true;
            } else {
                response.status = 5; // too few data bytes
            }
            break;
        case ip::MessageId::KeepAlive:
            if (!session.open) {
                close = true; // not this client's session: no answer
                return {};
            }
            break;
        case ip::MessageId::SessionClose:
            close = true;
            break;
        case ip::MessageId::TokenPassingPdu: {
            if (!session.open) {
                close = true; // a PDU outside a session: the session is dropped without a word
                return {};
            }
            const int count = ++m_pdus;
            const auto every = [count](int n) { return n > 0 && count % n == 0; };
            if (every(m_faults.dropEvery)) {
                close = true;
                return {};
            }
            response.body = subscription(request.body, session);
            if (response.body.isEmpty())
                response.body = frameAnswer(request.body);
            if (every(m_faults.wrongSequenceEvery))
                response.sequence = quint16(request.sequence + 1000);
            if (every(m_faults.malformedEvery)) {
                QByteArray bad = response.encode();
                bad[0] = char(9); // no such version
                return bad;
            }
            break;
        }
        default:
            response.type = ip::MessageType::Nak;
            break;
        }
        return response.encode();
    }

    // What the subscribed instrument publishes now: its command-3 answer as a burst frame, in
    // a publish message. Empty when nothing is due.
    QByteArray publish(Session& session) {
        const qint64 ms = now();
        if (session.subscribed.isEmpty() || ms < session.nextPublishMs)
            return {};
        session.nextPublishMs = ms + kPublishEveryMs;
        protocol::HartFrame ask;
        ask.delimiter = protocol::kLongDelimiter;
        ask.address = session.subscribed;
        ask.command = 3;
        QByteArray answer;
        for (const Exchange& e : m_loop.receive(ask.encode(2), ms))
            answer = e.answer;
        protocol::HartFrame burst = protocol::HartFrame::parse(answer);
        if (!burst.complete)
            return {};
        burst.delimiter = protocol::kLongBurstDelimiter;
        ip::Message message;
        message.type = ip::MessageType::Publish;
        message.id = ip::MessageId::TokenPassingPdu;
        message.sequence = session.publishSequence++;
        message.body = burst.encode();
        return message.encode();
    }

private:
    // Command 533 inside command 31: taken for this session and echoed as the answer; command
    // 532: the flags kept for the address asked. Empty for any other frame.
    QByteArray subscription(const QByteArray& frame, Session& session) {
        const protocol::HartFrame request = protocol::HartFrame::parse(frame);
        const int expanded = request.data.size() >= 2
                                 ? (quint8(request.data[0]) << 8) | quint8(request.data[1])
                                 : -1;
        if (request.command != kExpandedCommand || request.data.size() < 2 + 5 ||
            (expanded != kWriteSubscription && expanded != kReadSubscription) ||
            (expanded == kWriteSubscription && request.data.size() < 2 + 5 + 2))
            return {};
        QByteArray data = request.data.left(2 + 5);
        if (expanded == kWriteSubscription) {
            session.flags = quint16((quint8(request.data[7]) << 8) | quint8(request.data[8]));
            session.subscribed = session.flags ? request.data.mid(2, 5) : QByteArray();
            session.nextPublishMs = now();
        }
        const quint16 kept = session.subscribed == request.data.mid(2, 5) ? session.flags : 0;
        data += char(kept >> 8);
        data += char(kept & 0xFF);
        protocol::HartFrame answer;
        answer.delimiter = request.longAddress() ? protocol::kLongAnswerDelimiter
                                                 : protocol::kShortAnswerDelimiter;
        answer.address = request.address;
        answer.command = request.command;
        answer.responseCode = 0;
        answer.deviceStatus = 0;
        answer.data = data;
        log(now(), "RX", frame, " check ok");
        const QByteArray bytes = answer.encode();
        log(now(), "TX", bytes, "");
        return bytes;
    }

    // The loop answers the frame as it would on the wire; without preamble both ways.
    QByteArray frameAnswer(const QByteArray& frame) {
        const qint64 ms = m_clock.elapsed();
        QByteArray answer;
        if (m_gateway) {
            log(ms, "RX", frame, "");
            answer = m_gateway->answer(frame, ms);
        }
        for (const Exchange& e : m_gateway ? std::vector<Exchange>{}
                                           : m_loop.receive(QByteArray(2, '\xFF') + frame, ms)) {
            log(ms, "RX", frame, e.request.checkOk ? " check ok" : " check bad");
            answer = e.answer;
        }
        while (answer.startsWith('\xFF'))
            answer.remove(0, 1);
        if (answer.isEmpty() && frame.size() >= 4) {
            // Nobody there: the address and command echoed, a communication error, no data.
            protocol::HartFrame nobody = protocol::HartFrame::parse(frame);
            nobody.delimiter = nobody.longAddress() ? protocol::kLongAnswerDelimiter
                                                    : protocol::kShortAnswerDelimiter;
            nobody.responseCode = static_cast<quint8>(kNobodyThere);
            nobody.deviceStatus = 0;
            nobody.data.clear();
            answer = nobody.encode();
        }
        log(ms, "TX", answer, "");
        return answer;
    }

    void log(qint64 ms, const char* direction, const QByteArray& bytes, const char* note) {
        if (!m_log)
            return;
        std::fprintf(m_log, "%lld %s %s%s\n", static_cast<long long>(ms), direction,
                     bytes.toHex(' ').toUpper().constData(), note);
        std::fflush(m_log);
    }

    Loop& m_loop;
    Gateway* m_gateway;
    std::FILE* m_log;
    const HartIpServer::Faults& m_faults;
    QElapsedTimer m_clock;
    int m_pdus = 0;
};

// An answer held back on purpose, and where it goes.
struct Late {
    qint64 dueMs;
    int fd; // TCP; -1 for UDP
    sockaddr_in to;
    QByteArray bytes;
};

} // namespace

HartIpServer::~HartIpServer() {
    for (const int fd : {m_tcp, m_udp})
        if (fd >= 0)
            ::close(fd);
}

bool HartIpServer::open(quint16 port, QString& error) {
    m_tcp = boundSocket(SOCK_STREAM, port, error);
    if (m_tcp < 0)
        return false;
    m_udp = boundSocket(SOCK_DGRAM, port, error);
    return m_udp >= 0;
}

void HartIpServer::run(Loop& loop, std::FILE* log, int stopFd, const std::atomic<bool>& stop) {
    std::unique_ptr<Gateway> gateway =
        m_gatewayCount > 0 ? std::make_unique<Gateway>(m_gatewayCount) : nullptr;
    Dispatcher dispatcher(loop, gateway.get(), log, m_faults);
    std::vector<Late> late;
    const auto sendTcp = [](int fd, const QByteArray& reply) {
        return ::write(fd, reply.constData(), size_t(reply.size())) == reply.size();
    };
    std::map<int, Session> connections;                   // TCP, by socket
    std::map<std::pair<quint32, quint16>, Session> peers; // UDP, by address and port
    char buffer[4096];
    // Out of file descriptors, a waiting connection cannot be accepted and keeps the listening
    // socket readable: it is left waiting a while instead of being tried at full speed.
    constexpr qint64 kAcceptPauseMs = 200;
    qint64 acceptAgainMs = 0;
    while (!stop) {
        const short acceptEvents = dispatcher.now() >= acceptAgainMs ? POLLIN : 0;
        std::vector<pollfd> fds{{stopFd, POLLIN, 0}, {m_tcp, acceptEvents, 0}, {m_udp, POLLIN, 0}};
        for (const auto& [fd, session] : connections)
            fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), late.empty() && acceptEvents ? 50 : 5) < 0 &&
            errno != EINTR)
            return;
        // What was held back and is due now.
        for (auto it = late.begin(); it != late.end();) {
            if (it->dueMs > dispatcher.now()) {
                ++it;
                continue;
            }
            if (it->fd >= 0) {
                if (connections.count(it->fd))
                    sendTcp(it->fd, it->bytes);
            } else {
                ::sendto(m_udp, it->bytes.constData(), size_t(it->bytes.size()), 0,
                         reinterpret_cast<const sockaddr*>(&it->to), sizeof it->to);
            }
            it = late.erase(it);
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
            return;
        // Published data for the sessions that asked for it.
        for (auto& [fd, session] : connections) {
            const QByteArray published = dispatcher.publish(session);
            if (!published.isEmpty())
                sendTcp(fd, published);
        }
        for (auto& [peer, session] : peers) {
            const QByteArray published = dispatcher.publish(session);
            if (published.isEmpty())
                continue;
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = peer.first;
            to.sin_port = peer.second;
            ::sendto(m_udp, published.constData(), size_t(published.size()), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
        if (fds[1].revents & POLLIN) {
            const int client = ::accept4(m_tcp, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                connections[client] = Session{};
            else if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                acceptAgainMs = dispatcher.now() + kAcceptPauseMs;
        }
        if (fds[2].revents & POLLIN) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n = ::recvfrom(m_udp, buffer, sizeof buffer, 0,
                                         reinterpret_cast<sockaddr*>(&from), &length);
            if (n > 0) {
                Session& session = peers[{from.sin_addr.s_addr, from.sin_port}];
                QByteArray datagram(buffer, int(n));
                ip::Message request;
                if (ip::Message::take(datagram, &request) == ip::Message::Taken::Message) {
                    bool close = false;
                    const QByteArray reply = dispatcher.answer(request, session, close);
                    if (!reply.isEmpty() && m_faults.lateMs > 0 &&
                        request.id == ip::MessageId::TokenPassingPdu)
                        late.push_back({dispatcher.now() + m_faults.lateMs, -1, from, reply});
                    else if (!reply.isEmpty())
                        ::sendto(m_udp, reply.constData(), size_t(reply.size()), 0,
                                 reinterpret_cast<sockaddr*>(&from), length);
                    if (close)
                        peers.erase({from.sin_addr.s_addr, from.sin_port});
                }
            }
        }
        for (size_t k = 3; k < fds.size(); ++k) {
            if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const int fd = fds[k].fd;
            Session& session = connections[fd];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            bool close = n <= 0;
            if (n > 0)
                session.buffer.append(buffer, int(n));
            ip::Message request;
            for (;;) {
                const ip::Message::Taken taken = ip::Message::take(session.buffer, &request);
                if (taken == ip::Message::Taken::NeedMore)
                    break;
                if (taken == ip::Message::Taken::Malformed) {
                    close = true; // a header error drops the session without a word
                    break;
                }
                const QByteArray reply = dispatcher.answer(request, session, close);
                if (!reply.isEmpty() && m_faults.lateMs > 0 &&
                    request.id == ip::MessageId::TokenPassingPdu)
                    late.push_back({dispatcher.now() + m_faults.lateMs, fd, {}, reply});
                else if (!reply.isEmpty() && !sendTcp(fd, reply))
                    close = true; // a client that cannot take an answer is let go
                if (close)
                    break;
            }
            if (close) {
                ::close(fd);
                connections.erase(fd);
            }
        }
    }
    for (const auto& [fd, session] : connections)
        ::close(fd);
}

} // namespace sim
