#include "capture_file.h"

#include "pcapng_blocks.h"

#include "record/disk_sync.h"

namespace capture {

std::unique_ptr<CaptureFile> CaptureFile::open(const QString& path, QString* error) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = file->errorString();
        return nullptr;
    }
    const QByteArray head = pcapng::sectionHeader(QStringLiteral("Corvantelis")) +
                            pcapng::interfaceDescription(pcapng::kLinkTypeIpv4);
    if (file->write(head) != head.size() || !file->flush()) {
        *error = file->errorString();
        file->close();
        QFile::remove(path);
        return nullptr;
    }
    return std::unique_ptr<CaptureFile>(new CaptureFile(path, std::move(file)));
}

CaptureFile::CaptureFile(const QString& path, std::unique_ptr<QFile> file)
    : m_path(path), m_file(std::move(file)), m_thread([this] { run(); }) {}

CaptureFile::~CaptureFile() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CaptureFile::add(const CapturedPacket& packet) {
    QByteArray block = pcapng::enhancedPacket(packet.timestampUs, packet.ipv4, packet.comment);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_failed)
            return;
        m_queue.push_back(std::move(block));
    }
    m_wake.notify_one();
}

void CaptureFile::waitUntilDone() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return m_queue.empty() && !m_busy; });
}

QString CaptureFile::takeFailure() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_failure, QString());
}

void CaptureFile::run() {
    for (;;) {
        std::deque<QByteArray> batch;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty() && m_stopping)
                break;
            batch.swap(m_queue);
            m_busy = true;
        }
        QString failure;
        for (const QByteArray& block : batch) {
            const qint64 before = m_file->size();
            if (m_file->write(block) != block.size() || !m_file->flush()) {
                failure = m_file->errorString();
                m_file->resize(before); // the file ends on its last whole block
                break;
            }
            ++m_written;
        }
        QString syncError;
        if (failure.isEmpty() && !record::syncFileToDisk(m_path, &syncError))
            failure = syncError;
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!failure.isEmpty()) {
            m_failed = true;
            m_failure = failure;
            m_queue.clear();
        }
        m_busy = false;
        m_done.notify_all();
    }
    m_file->close();
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = false;
    m_done.notify_all();
}

} // namespace capture
