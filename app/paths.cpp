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

// The folder below which the settings folder sits when ProgramFiles says nothing.
QString fallbackBase() {
#ifdef Q_OS_WIN
    return QString(); // "\Corvantelis v.1.03\": the root of the current drive
#else
    // A relative or empty XDG_DATA_HOME is invalid by the XDG rules and would put the settings
    // below whatever folder the program happened to be started in.
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
#endif
}

} // namespace

QString pathSeparator() {
#ifdef Q_OS_WIN
    return QStringLiteral("\\");
#else
    return QStringLiteral("/");
#endif
}

QString settingsDirFromEnvironment() {
    QString base = withoutLeadingBlanks(qEnvironmentVariable("ProgramFiles"));
    if (base.isEmpty())
        base = fallbackBase();
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
