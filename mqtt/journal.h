#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <set>

namespace mqtt {

// The measurements on their way to the broker, on disk until the broker has them: every message
// is written here first and leaves once the broker acknowledged it, so that nothing taken is lost
// while the broker cannot be reached or the logger is restarted. Messages keep their order and
// their sequence numbers, which go on from one run to the next.
//
// One append-only file of records: a message (its sequence number, topic and payload) or an
// acknowledgement of every message up to a sequence number. Reopened, the file is read up to its
// last whole record; what was not acknowledged is waiting again. The waiting messages stay on disk
// (only where each lies is kept in memory) and are bounded: beyond the bound the oldest go.
class Journal {
public:
    struct Message {
        quint64 sequence = 0;
        QByteArray topic;
        QByteArray payload;
    };

    // The journal in `path` (made when missing), holding at most `maxBytes` of waiting messages.
    Journal(const QString& path, qint64 maxBytes);

    // False, with the reason, when the file cannot be read or written: messages are then kept
    // in memory only, within the same bound.
    bool isOpen() const { return m_file.isOpen(); }
    QString error() const { return m_error; }
    QString path() const { return m_file.fileName(); }

    // The sequence number the next message gets.
    quint64 nextSequence() const { return m_next; }
    // Writes the message with the next sequence number. When the waiting messages would exceed
    // the bound, the oldest are dropped first (counted in dropped()).
    void append(const QByteArray& topic, const QByteArray& payload);
    // The broker has the message `sequence`: once every one before it is acknowledged too, they
    // leave the journal.
    void acknowledge(quint64 sequence);

    // The first waiting message whose sequence number is `from` or later.
    std::optional<Message> waitingFrom(quint64 from);
    int waitingCount() const { return int(m_waiting.size()); }
    qint64 waitingBytes() const { return m_waitingBytes; }
    // Messages dropped because the journal was full, since it was opened.
    quint64 dropped() const { return m_dropped; }
    // Makes what was written so far survive a power cut (the system's cache has it already). On a
    // thread of the pool, so that a slow disk does not hold up the loop; one at a time.
    void sync();
    // The same, waited for: at the end of a run.
    void syncNow();

private:
    struct Place {
        quint64 sequence;
        qint64 offset;   // of its record in the file
        qint64 size;     // of its record
        QByteArray kept; // the record itself, where the file cannot be written
    };
    void load();
    bool writeRecord(char kind, quint64 sequence, const QByteArray& body, qint64* offset);
    // The acknowledged front leaves; the file starts afresh when nothing waits, or is rewritten
    // when it holds mostly what left.
    void advance();
    void rewrite();
    std::optional<Message> read(const Place& place);

    QFile m_file;
    QString m_error;
    qint64 m_maxBytes;
    quint64 m_next = 1;
    quint64 m_acknowledgedThrough = 0; // every message up to here left the journal
    std::deque<Place> m_waiting;
    std::set<quint64> m_acknowledgedAhead; // acknowledged while an older one still waits
    qint64 m_waitingBytes = 0;
    quint64 m_dropped = 0;
    std::shared_ptr<std::atomic<bool>> m_syncing = std::make_shared<std::atomic<bool>>(false);
};

} // namespace mqtt
