#pragma once

#include "hart_ip_wrapping.h"

#include <QFile>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace capture {

// A pcapng file written on a thread of its own, so that neither the disk nor a sync ever holds
// up a polling step. Every packet goes in as one whole block; the file is synced to the disk
// after each batch, so a power cut or a kill costs at most the packets being written, and a
// block that could not be written whole is cut away again: the file always ends on a block.
class CaptureFile {
public:
    // Makes `path` anew (what was there is replaced) with its section header and interface
    // description; null, with the reason, when it cannot be.
    static std::unique_ptr<CaptureFile> open(const QString& path, QString* error);
    // Writes what was handed over, then closes the file.
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    QString path() const { return m_path; }
    void add(const CapturedPacket& packet);
    // Returns once every packet handed over so far is written and synced, or given up.
    void waitUntilDone();
    // Why writing stopped, said once; empty while all is well. Nothing is written after it.
    QString takeFailure();
    quint64 packetsWritten() const { return m_written; }

private:
    CaptureFile(const QString& path, std::unique_ptr<QFile> file);
    void run();

    const QString m_path;
    std::unique_ptr<QFile> m_file; // used on the writer's thread only, once it runs
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<QByteArray> m_queue;
    bool m_busy = false;
    bool m_stopping = false;
    bool m_failed = false;
    QString m_failure; // not yet taken
    std::atomic<quint64> m_written{0};
    std::thread m_thread;
};

} // namespace capture
