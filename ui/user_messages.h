#pragma once

#include <QString>
#include <QtGlobal>

namespace ui {

// The texts of the program's own messages, Russian for Language_Flag 1, English otherwise.
// `detail` names the file or folder and the reason, as "<path>: <reason>".

// The settings could not be written; they stay in force for this run.
QString saveFailedMessage(qint16 languageFlag, const QString& detail);

// A folder could not be created at start-up.
QString folderFailedMessage(qint16 languageFlag, const QString& detail);

// A chosen results directory whose path does not fit the settings file.
QString folderTooLongMessage(qint16 languageFlag, const QString& folder);

// "<path>: <reason>".
QString pathAndReason(const QString& path, const QString& reason);

} // namespace ui
