#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace record {

// Asks the system to put a file's data on the disk itself, not only in its cache, so that a
// power cut costs at most the line being written. That can take milliseconds, so it happens on
// a thread of its own and never holds up the window or the polling; requests for a file made
// while one is being synced are served by one more sync.
class DiskSync {
public:
    DiskSync();
    // Finishes the syncs asked for, then ends the thread.
    ~DiskSync();
    DiskSync(const DiskSync&) = delete;
    DiskSync& operator=(const DiskSync&) = delete;

    // Syncs the file at `path`; with `alsoFolder`, the folder that holds it too (a file made
    // just now is not safe until its folder entry is).
    void request(const QString& path, bool alsoFolder);
    // Why the last failed sync failed, once; empty when none failed since the last call.
    QString takeError();
    // Returns when every sync asked for so far has been done (tests, shutdown).
    void waitUntilDone();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    QStringList m_files;
    QStringList m_folders;
    QString m_error;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last: started once the members above exist
};

// The platform's sync of one file's data, or of a folder's entries; false with the reason.
bool syncFileToDisk(const QString& path, QString* error);
bool syncFolderToDisk(const QString& path, QString* error);

} // namespace record
