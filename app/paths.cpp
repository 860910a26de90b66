#include "app/paths.h"

#include "app/program_identity.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace app {

namespace {

QString withoutLeadingBlanks(QString text) {
    int blanks = 0;
    while (blanks < text.size() && text.at(blanks) == QLatin1Char(' '))
        ++blanks;
    return text.mid(blanks);
}

QString withTrailingSeparator(const QString& folder) {
    return folder.endsWith(pathSeparator()) ? folder : folder + pathSeparator();
}

} // namespace

QString settingsDirFromEnvironment() {
    QString base = withoutLeadingBlanks(qEnvironmentVariable("ProgramFiles"));
    if (base.isEmpty())
        base = fallbackSettingsBase();
    return withTrailingSeparator(base) + programTitle() + pathSeparator();
}

QString settingsFileName() {
    return programTitle() + QStringLiteral(".eng");
}

bool Path_Exists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    // A path ending in a separator names a folder: a file of that name does not count.
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(pathSeparator()))
        return info.isDir() && info.isReadable();
    return info.exists();
}

} // namespace app
