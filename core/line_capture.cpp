#include "core/line_capture.h"
#include "core/listening_line.h"

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

} // namespace core
