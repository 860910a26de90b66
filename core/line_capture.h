#pragma once

#include "capture/capture_file.h"
#include "capture/hart_ip_wrapping.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace net {
class HartIpSession;
} // namespace net

namespace core {

class ListeningLine;

// Every frame on the serial line, heard or sent, into a pcapng file as HART-IP would carry it,
// from when it is made until it is destroyed. The file is written off the polling path; a
// failure to write is reported once and ends the capture's writing.
class LineCapture : public QObject {
    Q_OBJECT
public:
    // Null, with the reason, when the file cannot be made.
    static std::unique_ptr<LineCapture> start(ListeningLine& line, const QString& path,
                                              capture::HartIpWrapping::PollingAddressOf book,
                                              QString* error);
    QString path() const { return m_file->path(); }
    quint64 packetsWritten() const { return m_file->packetsWritten(); }
    // Returns once every frame so far is in the file.
    void waitUntilWritten() { m_file->waitUntilDone(); }
    // Every HART-IP message of `session` from now on as well, sent and received, in the same
    // UDP wrapping between the two ends' own addresses and ports (10.0.0.1 and 10.0.1.1 where
    // they are no IPv4 addresses); a TCP or TLS session's messages say so in their comment.
    void follow(const net::HartIpSession& session);

signals:
    void failed(const QString& path, const QString& reason);

private:
    LineCapture(ListeningLine& line, std::unique_ptr<capture::CaptureFile> file,
                capture::HartIpWrapping::PollingAddressOf book);

    ListeningLine& m_line;
    std::unique_ptr<capture::CaptureFile> m_file;
    void captureMessages(const net::HartIpSession& session, const QByteArray& bytes, bool sent);

    capture::HartIpWrapping m_wrapping;
    QByteArray m_sentStream, m_receivedStream; // of the session followed, split into messages
    quint16 m_ipId = 0;
    QTimer m_checkFailure;
};

} // namespace core
