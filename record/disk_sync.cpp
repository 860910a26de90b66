#include "disk_sync.h"

#include <QFileInfo>

namespace record {

DiskSync::DiskSync() : m_thread([this] { run(); }) {}

DiskSync::~DiskSync() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void DiskSync::request(const QString& path, bool alsoFolder) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_files.contains(path))
            m_files << path;
        const QString folder = QFileInfo(path).absolutePath();
        if (alsoFolder && !m_folders.contains(folder))
            m_folders << folder;
    }
    m_wake.notify_one();
}

QString DiskSync::takeError() {
    std::lock_guard<std::mutex> lock(m_mutex);
    QString error;
    error.swap(m_error);
    return error;
}

void DiskSync::waitUntilDone() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return !m_busy && m_files.isEmpty() && m_folders.isEmpty(); });
}

void DiskSync::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_files.isEmpty() || !m_folders.isEmpty(); });
        if (m_files.isEmpty() && m_folders.isEmpty())
            return; // stopping, nothing left
        QStringList files;
        QStringList folders;
        files.swap(m_files);
        folders.swap(m_folders);
        m_busy = true;
        lock.unlock();
        QString error;
        for (const QString& file : files)
            syncFileToDisk(file, &error);
        for (const QString& folder : folders)
            syncFolderToDisk(folder, &error);
        lock.lock();
        m_busy = false;
        if (!error.isEmpty())
            m_error = error;
        m_done.notify_all();
    }
}

} // namespace record
