#include "recorder.h"

#include "measurement_row.h"

#include "app/paths.h"
#include "app/result_folders.h"

namespace record {

Recorder::Recorder(const field::FieldModel& model, ResultsDir resultsDir, QLocale monthNames,
                   Clock now, QObject* parent)
    : QObject(parent), m_model(model), m_resultsDir(std::move(resultsDir)),
      m_monthNames(monthNames), m_now(std::move(now)), m_writer(monthNames, csvHeader(), [this] {
          QMetaObject::invokeMethod(this, &Recorder::reportFailures, Qt::QueuedConnection);
      }) {
    connect(&m_model, &field::FieldModel::measurement, this, &Recorder::record);
}

void Recorder::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled) {
        ++m_batch;
        m_lastLineMs.fill(0);
        m_lastLineBehindMs.clear();
        m_droppingSaid = false;
    }
    m_lastFile = enabled ? fileFor(m_resultsDir(), m_now().date()) : QString();
    emit enabledChanged(enabled);
    if (enabled)
        emit fileChanged(m_lastFile);
}

QString Recorder::fileFor(const QString& resultsDir, const QDate& day) const {
    return app::monthFolderPath(resultsDir, day, m_monthNames) + app::pathSeparator() +
           day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".csv");
}

QString Recorder::currentFile() const {
    return m_lastFile.isEmpty() ? fileFor(m_resultsDir(), m_now().date()) : m_lastFile;
}

void Recorder::waitUntilWritten() {
    m_writer.waitUntilDone();
    reportFailures();
}

void Recorder::record(int address, const QDateTime& when) {
    if (!m_enabled || address < 0 || address >= int(m_lastLineMs.size()))
        return;
    write(address, when, m_model.instrument(address), m_lastLineMs[size_t(address)]);
}

void Recorder::recordBehind(int index, const QDateTime& when, const field::Instrument& instrument) {
    if (!m_enabled || !instrument.identity)
        return;
    write(index, when, instrument, m_lastLineBehindMs[instrument.identity->longAddress]);
}

void Recorder::write(int address, const QDateTime& when, const field::Instrument& instrument,
                     qint64& last) {
    const qint64 at = when.toMSecsSinceEpoch();
    if (m_intervalMs > 0 && last != 0 && at - last < m_intervalMs && at >= last)
        return; // too soon after the last line (a clock set back starts afresh)
    last = at;
    LineWriter::Line line;
    line.batch = m_batch;
    line.resultsDir = m_resultsDir();
    line.day = when.date();
    line.path = fileFor(line.resultsDir, line.day);
    line.text = csvRow(address, when, instrument);
    const QString path = line.path;
    if (!m_writer.write(std::move(line))) {
        ++m_dropped;
        if (!m_droppingSaid) {
            m_droppingSaid = true;
            emit droppingLines();
        }
        return;
    }
    if (path != m_lastFile) {
        m_lastFile = path;
        emit fileChanged(path);
    }
}

void Recorder::reportFailures() {
    for (const LineWriter::Failure& failure : m_writer.takeFailures()) {
        // A failure from a time recording was on that has ended since is of no concern.
        if (!m_enabled || failure.batch != m_batch)
            continue;
        m_enabled = false;
        m_lastFile.clear();
        emit enabledChanged(false);
        emit failed(failure.path, failure.reason);
    }
}

} // namespace record
