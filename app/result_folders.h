#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

namespace app {

struct FolderPreparation {
    QString Month_Dir;    // <Results_Dir><year><sep><month name>
    QString failedFolder; // empty when both folders exist now
    QString reason;       // why failedFolder could not be made
};

// <Results_Dir><year> and <Results_Dir><year><sep><month name>, the month in the standalone form
// of `locale`: the folders below, made or not.
QString yearFolderPath(const QString& resultsDir, const QDate& day);
QString monthFolderPath(const QString& resultsDir, const QDate& day, const QLocale& locale);

// Makes the year folder below `resultsDir` (the year appended directly: Results_Dir supplies the
// trailing separator) and the month folder inside it, each only when missing. The month is
// named in the standalone form of `locale`.
FolderPreparation prepareResultFolders(const QString& resultsDir, const QDate& today,
                                       const QLocale& locale);

} // namespace app
