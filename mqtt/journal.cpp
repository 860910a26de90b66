#include "journal.h"

#include "record/disk_sync.h"

#include <QDir>
#include <QFileInfo>
#include <QThreadPool>
#include <QtEndian>

namespace mqtt {

namespace {

constexpr char kMessage = 'M';
constexpr char kAcknowledged = 'A';
// kind, sequence number, body length; then the body and a CRC-16 of all before it.
constexpr int kHeader = 1 + 8 + 4;
constexpr int kCheck = 2;
constexpr qint64 kLargestBody = 16 * 1024 * 1024;
// Rewritten when the file is this much larger than what still waits in it.
constexpr qint64 kRewriteSlack = 4 * 1024 * 1024;

QByteArray recordOf(char kind, quint64 sequence, const QByteArray& body) {
    QByteArray record(kHeader, Qt::Uninitialized);
    record[0] = kind;
    qToBigEndian(sequence, record.data() + 1);
    qToBigEndian(quint32(body.size()), record.data() + 9);
    record += body;
    char check[kCheck];
    qToBigEndian(qChecksum(QByteArrayView(record)), check);
    return record + QByteArray(check, kCheck);
}

struct Parsed {
    char kind = 0;
    quint64 sequence = 0;
    QByteArray body;
    qint64 size = 0; // of the whole record
};

// The record at the start of `bytes`; nothing when it is not whole or its check fails.
std::optional<Parsed> parseRecord(QByteArrayView bytes) {
    if (bytes.size() < kHeader + kCheck)
        return std::nullopt;
    const quint32 length = qFromBigEndian<quint32>(bytes.data() + 9);
    if (length > kLargestBody || bytes.size() < kHeader + qint64(length) + kCheck)
        return std::nullopt;
    const QByteArrayView checked = bytes.first(kHeader + length);
    if (qFromBigEndian<quint16>(bytes.data() + kHeader + length) != qChecksum(checked))
        return std::nullopt;
    Parsed parsed;
    parsed.kind = bytes[0];
    parsed.sequence = qFromBigEndian<quint64>(bytes.data() + 1);
    parsed.body = bytes.sliced(kHeader, length).toByteArray();
    parsed.size = kHeader + length + kCheck;
    return parsed;
}

QByteArray messageBody(const QByteArray& topic, const QByteArray& payload) {
    char length[2];
    qToBigEndian(quint16(topic.size()), length);
    return QByteArray(length, 2) + topic + payload;
}

std::optional<Journal::Message> messageOf(const Parsed& parsed) {
    if (parsed.kind != kMessage || parsed.body.size() < 2)
        return std::nullopt;
    const quint16 topicLength = qFromBigEndian<quint16>(parsed.body.constData());
    if (parsed.body.size() < 2 + topicLength)
        return std::nullopt;
    return Journal::Message{parsed.sequence, parsed.body.mid(2, topicLength),
                            parsed.body.mid(2 + topicLength)};
}

} // namespace

Journal::Journal(const QString& path, qint64 maxBytes) : m_file(path), m_maxBytes(maxBytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!m_file.open(QIODevice::ReadWrite)) {
        m_error = m_file.errorString();
        return;
    }
    load();
}

void Journal::load() {
    const QByteArray bytes = m_file.readAll();
    qint64 at = 0;
    while (const std::optional<Parsed> parsed = parseRecord(QByteArrayView(bytes).sliced(at))) {
        if (parsed->kind == kAcknowledged) {
            m_acknowledgedThrough = qMax(m_acknowledgedThrough, parsed->sequence);
            while (!m_waiting.empty() && m_waiting.front().sequence <= m_acknowledgedThrough) {
                m_waitingBytes -= m_waiting.front().size;
                m_waiting.pop_front();
            }
        } else if (parsed->kind == kMessage && parsed->sequence > m_acknowledgedThrough) {
            m_waiting.push_back({parsed->sequence, at, parsed->size, {}});
            m_waitingBytes += parsed->size;
        }
        m_next = qMax(m_next, parsed->sequence + 1);
        at += parsed->size;
    }
    // A record cut short (the program killed while writing it) is not part of the journal.
    if (at < bytes.size())
        m_file.resize(at);
    m_file.seek(at);
    m_next = qMax(m_next, m_acknowledgedThrough + 1);
}

bool Journal::writeRecord(char kind, quint64 sequence, const QByteArray& body, qint64* offset) {
    if (!m_file.isOpen())
        return false;
    const QByteArray record = recordOf(kind, sequence, body);
    *offset = m_file.size();
    m_file.seek(*offset);
    // Unbuffered as far as the process goes: a logger killed keeps what it wrote.
    if (m_file.write(record) != record.size() || !m_file.flush()) {
        m_error = m_file.errorString();
        m_file.close();
        return false;
    }
    return true;
}

void Journal::append(const QByteArray& topic, const QByteArray& payload) {
    const quint64 sequence = m_next++;
    const QByteArray body = messageBody(topic, payload);
    const qint64 size = kHeader + body.size() + kCheck;
    // The oldest go first, to make room.
    const quint64 droppedBefore = m_dropped;
    while (!m_waiting.empty() && m_waitingBytes + size > m_maxBytes) {
        m_waitingBytes -= m_waiting.front().size;
        m_acknowledgedAhead.erase(m_waiting.front().sequence);
        m_waiting.pop_front();
        ++m_dropped;
    }
    if (size > m_maxBytes) {
        ++m_dropped;
        return;
    }
    Place place{sequence, 0, size, {}};
    if (!writeRecord(kMessage, sequence, body, &place.offset))
        place.kept = recordOf(kMessage, sequence, body);
    m_waiting.push_back(place);
    m_waitingBytes += size;
    if (m_dropped > droppedBefore)
        advance(); // what was dropped is acknowledged in the file, so it does not come back
}

void Journal::acknowledge(quint64 sequence) {
    if (sequence <= m_acknowledgedThrough)
        return;
    m_acknowledgedAhead.insert(sequence);
    advance();
}

void Journal::advance() {
    const quint64 before = m_acknowledgedThrough;
    while (!m_waiting.empty() && m_acknowledgedAhead.count(m_waiting.front().sequence)) {
        m_acknowledgedAhead.erase(m_waiting.front().sequence);
        m_waitingBytes -= m_waiting.front().size;
        m_waiting.pop_front();
    }
    // Everything before the first that waits has left (acknowledged, or dropped).
    m_acknowledgedThrough = m_waiting.empty() ? m_next - 1 : m_waiting.front().sequence - 1;
    if (m_acknowledgedThrough == before || !m_file.isOpen())
        return;
    if (m_waiting.empty() || m_file.size() > m_waitingBytes * 2 + kRewriteSlack) {
        rewrite();
        return;
    }
    qint64 offset = 0;
    writeRecord(kAcknowledged, m_acknowledgedThrough, {}, &offset);
}

void Journal::rewrite() {
    // The waiting messages, after a record that keeps the sequence going, into a new file that
    // then takes the old one's place.
    const QString path = m_file.fileName();
    QFile fresh(path + QStringLiteral(".new"));
    if (!fresh.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray out = recordOf(kAcknowledged, m_acknowledgedThrough, {});
    std::deque<Place> moved;
    for (const Place& place : m_waiting) {
        std::optional<Message> message = read(place);
        if (!message)
            continue;
        const QByteArray record =
            recordOf(kMessage, place.sequence, messageBody(message->topic, message->payload));
        moved.push_back({place.sequence, out.size(), record.size(), {}});
        out += record;
    }
    if (fresh.write(out) != out.size() || !fresh.flush()) {
        fresh.remove();
        return;
    }
    fresh.close();
    QString ignored;
    record::syncFileToDisk(fresh.fileName(), &ignored);
    m_file.close();
    if (!QFile::remove(path) || !fresh.rename(path)) {
        m_error = fresh.errorString();
        return;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadWrite)) {
        m_error = m_file.errorString();
        return;
    }
    m_waiting = std::move(moved);
}

std::optional<Journal::Message> Journal::read(const Place& place) {
    QByteArray record = place.kept;
    if (record.isEmpty()) {
        if (!m_file.isOpen() || !m_file.seek(place.offset))
            return std::nullopt;
        record = m_file.read(place.size);
    }
    const std::optional<Parsed> parsed = parseRecord(record);
    return parsed ? messageOf(*parsed) : std::nullopt;
}

std::optional<Journal::Message> Journal::waitingFrom(quint64 from) {
    const auto it = std::lower_bound(
        m_waiting.begin(), m_waiting.end(), from,
        [](const Place& place, quint64 sequence) { return place.sequence < sequence; });
    for (auto at = it; at != m_waiting.end(); ++at)
        if (std::optional<Message> message = read(*at))
            return message;
    return std::nullopt;
}

void Journal::sync() {
    if (!m_file.isOpen() || m_syncing->exchange(true))
        return; // the one under way covers what was written before it began
    // By name, not by handle: the file may be rewritten and reopened meanwhile.
    QThreadPool::globalInstance()->start([path = m_file.fileName(), syncing = m_syncing] {
        QString ignored;
        record::syncFileToDisk(path, &ignored);
        *syncing = false;
    });
}

void Journal::syncNow() {
    QThreadPool::globalInstance()->waitForDone();
    QString ignored;
    if (m_file.isOpen())
        record::syncFileToDisk(m_file.fileName(), &ignored);
}

} // namespace mqtt
