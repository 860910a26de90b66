#include "line_writer.h"

#include "disk_sync.h"

#include "app/paths.h"
#include "app/result_folders.h"

#include <QFileInfo>

namespace record {

LineWriter::LineWriter(QLocale monthNames, QByteArray header, FailureHook failed)
    : m_monthNames(std::move(monthNames)), m_header(std::move(header)), m_failed(std::move(failed)),
      m_thread([this] { run(); }) {}

LineWriter::~LineWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

bool LineWriter::write(Line line) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_lines.size() >= kMostWaiting)
            return false;
        m_lines.push_back(std::move(line));
    }
    m_wake.notify_one();
    return true;
}

void LineWriter::waitUntilDone() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return !m_busy && m_lines.empty(); });
}

std::deque<LineWriter::Failure> LineWriter::takeFailures() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::deque<Failure> failures;
    failures.swap(m_failures);
    return failures;
}

void LineWriter::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_lines.empty(); });
        if (m_lines.empty()) {
            m_done.notify_all();
            return; // stopping, and everything is written
        }
        const Line line = std::move(m_lines.front());
        m_lines.pop_front();
        // The lines after it for the same file go in with it, up to a size one write takes well.
        constexpr int kMostBytesAWrite = 1 << 20;
        QByteArray text = line.text;
        while (!m_lines.empty() && m_lines.front().batch == line.batch &&
               m_lines.front().path == line.path && text.size() < kMostBytesAWrite) {
            text += m_lines.front().text;
            m_lines.pop_front();
        }
        // Lines after a failed one of their batch are dropped: recording is off for them.
        if (line.batch != m_failedBatch) {
            m_busy = true;
            lock.unlock();
            QString error;
            const bool written = writeLines(line, text, &error);
            lock.lock();
            m_busy = false;
            if (!written) {
                m_failedBatch = line.batch;
                m_failures.push_back({line.batch, line.path, error});
                if (m_failed)
                    m_failed();
            }
        }
        if (m_lines.empty())
            m_done.notify_all();
    }
}

bool LineWriter::writeLines(const Line& line, const QByteArray& text, QString* error) {
    // The folders of the line's own day: a run goes on past midnight and the end of a month
    // in the new day's folders, made as the start-up makes them.
    if (!app::Path_Exists(QFileInfo(line.path).absolutePath())) {
        const app::FolderPreparation folders =
            app::prepareResultFolders(line.resultsDir, line.day, m_monthNames);
        if (!folders.failedFolder.isEmpty()) {
            *error = folders.failedFolder + QStringLiteral(": ") + folders.reason;
            return false;
        }
    }
    if (!m_file.append(line.path, m_header, text, error))
        return false;
    if (!syncFileToDisk(line.path, error))
        return false;
    // A file made just now is not safe until its folder's entry is.
    return !m_file.created() || syncFolderToDisk(QFileInfo(line.path).absolutePath(), error);
}

} // namespace record
