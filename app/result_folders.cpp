#include "app/result_folders.h"

#include "app/folder_maker.h"
#include "app/month_names.h"
#include "app/paths.h"

namespace app {

namespace {

// Creates `folder` unless a folder or file of that name is already there.
bool ensureFolder(const QString& folder, FolderPreparation* result) {
    if (Path_Exists(folder))
        return true;
    QString reason;
    if (makeFolder(folder, &reason))
        return true;
    result->failedFolder = folder;
    result->reason = reason;
    return false;
}

} // namespace

QString yearFolderPath(const QString& resultsDir, const QDate& day) {
    return resultsDir + QString::number(day.year());
}

QString monthFolderPath(const QString& resultsDir, const QDate& day, const QLocale& locale) {
    return yearFolderPath(resultsDir, day) + pathSeparator() + folderMonthName(day.month(), locale);
}

FolderPreparation prepareResultFolders(const QString& resultsDir, const QDate& today,
                                       const QLocale& locale) {
    FolderPreparation result;
    const QString yearDir = yearFolderPath(resultsDir, today);
    result.Month_Dir = monthFolderPath(resultsDir, today, locale);
    if (resultsDir.isEmpty()) {
        // The year folder would land in whatever folder the program was started from.
        result.failedFolder = yearDir;
        result.reason = QStringLiteral("No results directory is set");
        return result;
    }
    // Without its year folder the month folder cannot be made either: one failure is enough.
    if (ensureFolder(yearDir, &result))
        ensureFolder(result.Month_Dir, &result);
    return result;
}

} // namespace app
