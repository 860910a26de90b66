#pragma once

#include "append_only_file.h"

#include <QDate>
#include <QLocale>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace record {

// Writes the recorder's lines on a thread of its own, so that neither the disk nor a sync of
// it to the platter ever holds up a polling step. Each line goes in whole, with its day's year
// and month folders made first when they are missing. The lines waiting for the same file go in
// together and are synced to the disk once, so a slow disk takes many lines a sync instead of
// falling behind, and a power cut costs at most the lines being written. The lines waiting are
// bounded: a line handed over while the queue is full is refused, never held without end.
class LineWriter {
public:
    struct Line {
        quint64 batch = 0; // lines of a batch after a failed one are dropped
        QString resultsDir;
        QDate day;
        QString path;
        QByteArray text;
    };
    struct Failure {
        quint64 batch = 0;
        QString path;
        QString reason;
    };
    // Called on the writer's thread when a line could not be written.
    using FailureHook = std::function<void()>;

    LineWriter(QLocale monthNames, QByteArray header, FailureHook failed);
    // Writes what was handed over, then ends the thread.
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Hands `line` over; false, and nothing kept, when kMostWaiting lines are waiting already.
    bool write(Line line);
    static constexpr std::size_t kMostWaiting = 20000;
    // Returns once every line handed over so far is written and synced, or given up.
    void waitUntilDone();
    // The failures since the last call.
    std::deque<Failure> takeFailures();

private:
    void run();
    // Lines of one batch and file: in with one write and one sync.
    bool writeLines(const Line& first, const QByteArray& text, QString* error);

    const QLocale m_monthNames; // this thread's own copy
    const QByteArray m_header;
    const FailureHook m_failed;
    AppendOnlyFile m_file; // used on the writer's thread only

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Line> m_lines;
    std::deque<Failure> m_failures;
    quint64 m_failedBatch = 0;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last: started once the members above exist
};

} // namespace record
