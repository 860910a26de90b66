#pragma once

#include "protocol/line_framer.h"

#include <QByteArray>
#include <QObject>
#include <QtGlobal>

#include <array>
#include <deque>

namespace core {

// One frame on the line as an analyzer lists it.
struct LineEntry {
    enum class Kind { Request, Answer, Burst, Broken };
    quint64 number = 0; // counted from 1 since the program started
    qint64 timeUs = 0;  // its first byte, µs since the epoch
    Kind kind = Kind::Broken;
    bool sent = false;       // by this program
    int masterBit = -1;      // the master it names: 1 primary, 0 secondary, -1 none
    int pollingAddress = -1; // a short frame's
    QByteArray longAddress;  // a long frame's, master and burst bits clear
    int command = -1;
    int responseCode = -1;
    int deviceStatus = -1;
    int byteCount = -1;
    bool checkRight = false;  // whole, and its check byte the one its bytes give
    double gapMs = -1;        // since the end of the frame before; -1 for the first
    double turnaroundMs = -1; // an answer: since the end of the request of the master it names
    QByteArray bytes;         // as on the line, preamble included
};

// The last kKept frames on the line, heard or sent, each with what the line view shows of it.
class LineLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kKept = 10000;

    // `frame` as heard (or sent: `sent`), its first byte at `timeUs` by the wall clock.
    void add(const protocol::HeardFrame& frame, bool sent, qint64 timeUs);
    const std::deque<LineEntry>& entries() const { return m_entries; }
    quint64 total() const { return m_total; }

signals:
    // The oldest went to make room (when full), then `entry` was added at the end.
    void added(const core::LineEntry& entry, bool oldestDropped);

private:
    std::deque<LineEntry> m_entries;
    quint64 m_total = 0;
    double m_lastEndMs = -1;
    std::array<double, 2> m_requestEndMs{-1, -1}; // by master bit
};

} // namespace core
