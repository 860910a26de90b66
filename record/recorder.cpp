#include "recorder.h"

#include "measurement_row.h"

#include "app/paths.h"
#include "app/result_folders.h"

namespace record {

Recorder::Recorder(const field::FieldModel& model, ResultsDir resultsDir, QLocale monthNames,
                   Clock now, QObject* parent)
    : QObject(parent), m_model(model), m_resultsDir(std::move(resultsDir)),
      m_monthNames(std::move(monthNames)), m_now(std::move(now)) {
    connect(&m_model, &field::FieldModel::measurement, this, &Recorder::record);
}

void Recorder::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
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

void Recorder::record(int address, const QDateTime& when) {
    if (!m_enabled)
        return;
    const QDate day = when.date();
    const QString path = fileFor(m_resultsDir(), day);
    QString error = m_sync.takeError();
    if (error.isEmpty())
        write(path, day, csvRow(address, when, m_model.instrument(address)), &error);
    if (!error.isEmpty()) {
        fail(path, error);
        return;
    }
    if (path != m_lastFile) {
        m_lastFile = path;
        emit fileChanged(path);
    }
}

bool Recorder::write(const QString& path, const QDate& day, const QByteArray& line,
                     QString* error) {
    // The year and month folders of the line's own day: a run goes on past midnight and the
    // end of a month in the new day's folder.
    const QString resultsDir = m_resultsDir();
    if (!app::Path_Exists(app::monthFolderPath(resultsDir, day, m_monthNames))) {
        const app::FolderPreparation folders =
            app::prepareResultFolders(resultsDir, day, m_monthNames);
        if (!folders.failedFolder.isEmpty()) {
            *error = folders.failedFolder + QStringLiteral(": ") + folders.reason;
            return false;
        }
    }
    if (!m_file.append(path, csvHeader(), line, error))
        return false;
    m_sync.request(path, m_file.created());
    return true;
}

void Recorder::fail(const QString& path, const QString& reason) {
    m_enabled = false;
    m_lastFile.clear();
    emit enabledChanged(false);
    emit failed(path, reason);
}

} // namespace record
