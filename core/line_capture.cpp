#include "core/line_capture.h"
#include "core/listening_line.h"
#include "net/hartip_session.h"
#include "protocol/hartip_message.h"

#include <chrono>

namespace core {

namespace {
constexpr int kFailureCheckMs = 1000;
} // namespace

std::unique_ptr<LineCapture> LineCapture::start(ListeningLine& line, const QString& path,
                                                capture::HartIpWrapping::PollingAddressOf book,
                                                QString* error) {
    std::unique_ptr<capture::CaptureFile> file = capture::CaptureFile::open(path, error);
    if (!file)
        return nullptr;
    return std::unique_ptr<LineCapture>(new LineCapture(line, std::move(file), std::move(book)));
}

LineCapture::LineCapture(ListeningLine& line, std::unique_ptr<capture::CaptureFile> file,
                         capture::HartIpWrapping::PollingAddressOf book)
    : m_line(line), m_file(std::move(file)), m_wrapping(std::move(book)) {
    connect(&m_line, &ListeningLine::frameOnTheLine, this,
            [this](const protocol::HeardFrame& frame, bool sent) {
                m_file->add(m_wrapping.wrap(frame, m_line.epochUsAt(frame.startMs), sent));
            });
    // The writer's thread only notes a failure; it is said here, on the program's own thread.
    connect(&m_checkFailure, &QTimer::timeout, this, [this] {
        const QString reason = m_file->takeFailure();
        if (!reason.isEmpty())
            emit failed(m_file->path(), reason);
    });
    m_checkFailure.start(kFailureCheckMs);
}

void LineCapture::follow(const net::HartIpSession& session) {
    m_sentStream.clear();
    m_receivedStream.clear();
    connect(&session, &net::HartIpSession::bytesOnTheWire, this,
            [this, &session](const QByteArray& bytes, bool sent) {
                captureMessages(session, bytes, sent);
            });
}

void LineCapture::captureMessages(const net::HartIpSession& session, const QByteArray& bytes,
                                  bool sent) {
    const auto endpoint = [](const QHostAddress& address, quint16 port, quint32 otherwise) {
        bool ipv4 = false;
        const quint32 value = address.toIPv4Address(&ipv4);
        return capture::Endpoint{ipv4 ? value : otherwise, port};
    };
    const capture::Endpoint us = endpoint(session.localAddress(), session.localPort(),
                                          capture::HartIpWrapping::kPrimaryMaster);
    const capture::Endpoint server = endpoint(session.peerAddress(), session.address().port,
                                              capture::HartIpWrapping::kInstruments + 1);
    const net::HartIpAddress& where = session.address();
    QString comment = where.secure ? QStringLiteral("HART-IP over TLS (shown decrypted)")
                      : where.udp  ? QStringLiteral("HART-IP over UDP")
                                   : QStringLiteral("HART-IP over TCP");
    if (sent)
        comment += QStringLiteral("; sent by this program");
    QByteArray& stream = sent ? m_sentStream : m_receivedStream;
    stream += bytes;
    const qint64 nowUs = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    for (;;) {
        protocol::hartip::Message message;
        const QByteArray before = stream;
        const auto taken = protocol::hartip::Message::take(stream, &message);
        if (taken == protocol::hartip::Message::Taken::NeedMore)
            break;
        if (taken == protocol::hartip::Message::Taken::Malformed) {
            // What cannot be read as messages goes in as it came, said so, and is not kept.
            m_file->add(
                {nowUs,
                 capture::udpOverIpv4(sent ? us : server, sent ? server : us, ++m_ipId, before),
                 comment + QStringLiteral("; not a HART-IP message")});
            stream.clear();
            break;
        }
        const QByteArray whole = before.left(before.size() - stream.size());
        m_file->add({nowUs,
                     capture::udpOverIpv4(sent ? us : server, sent ? server : us, ++m_ipId, whole),
                     comment});
    }
}

} // namespace core
