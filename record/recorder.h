#pragma once

#include "line_writer.h"

#include "field/field_model.h"

#include <QDate>
#include <QLocale>
#include <QObject>

#include <array>
#include <functional>
#include <map>

namespace record {

// Records every measurement the field model reports into the results folders, a file a day:
// <Results_Dir><year>/<month>/<yyyy-MM-dd>.csv, the folders named as at start-up and made when
// a day needs them. Off until it is turned on. The line is made at once from what the model
// holds; the disk is left to the writer's thread. A line that cannot be written turns
// recording off and says why; what is in the file stays as it was.
class Recorder : public QObject {
    Q_OBJECT
public:
    using ResultsDir = std::function<QString()>;
    using Clock = std::function<QDateTime()>;

    // `resultsDir` is asked at every line, so a folder chosen while recording is used from the
    // next line on; `monthNames` names the month folders as the start-up does.
    Recorder(const field::FieldModel& model, ResultsDir resultsDir, QLocale monthNames, Clock now,
             QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // At most one line per instrument this often: the first answer once `ms` have passed since
    // the last line written for it (so a line is still a real answer, with its own time). 0:
    // every answer.
    void setInterval(qint64 ms) { m_intervalMs = qMax<qint64>(0, ms); }
    qint64 interval() const { return m_intervalMs; }

    // The file the next line goes into, today's when none has gone in yet.
    QString currentFile() const;
    // The day file of `day` below `resultsDir`.
    QString fileFor(const QString& resultsDir, const QDate& day) const;

    // Values from the instrument listed at `index` behind an I/O system: a line with its index
    // in the address column and its own long address, under the same interval.
    void recordBehind(int index, const QDateTime& when, const field::Instrument& instrument);

    // Returns once every line so far is on the disk or has failed, the failures reported
    // (tests, benchmarks).
    void waitUntilWritten();
    // Lines dropped because the disk did not keep up, since the program started.
    quint64 droppedLines() const { return m_dropped; }

signals:
    void enabledChanged(bool enabled);
    // The file lines go into now: when recording starts, and at a new day or results folder.
    void fileChanged(const QString& path);
    // The disk does not keep up: a line was dropped because too many wait to be written. Said
    // once each time recording is turned on; droppedLines() counts them all.
    void droppingLines();
    // A line could not be written to `path`; recording is off again.
    void failed(const QString& path, const QString& reason);

private:
    void record(int address, const QDateTime& when);
    void write(int address, const QDateTime& when, const field::Instrument& instrument,
               qint64& lastLineMs);
    void reportFailures();

    const field::FieldModel& m_model;
    ResultsDir m_resultsDir;
    QLocale m_monthNames;
    Clock m_now;
    bool m_enabled = false;
    quint64 m_batch = 0; // counts the times recording was turned on
    QString m_lastFile;
    qint64 m_intervalMs = 0;
    quint64 m_dropped = 0;
    bool m_droppingSaid = false;                     // in this time recording is on
    std::array<qint64, 16> m_lastLineMs{};           // by polling address; 0: none yet
    std::map<QByteArray, qint64> m_lastLineBehindMs; // by long address
    LineWriter m_writer; // last: its thread ends before the members above go
};

} // namespace record
