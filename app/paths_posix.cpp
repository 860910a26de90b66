#include "app/paths.h"

#include <QDir>
#include <QtGlobal>

namespace app {

QString pathSeparator() {
    return QStringLiteral("/");
}

QString fallbackSettingsBase() {
    // A relative or empty XDG_DATA_HOME is invalid by the XDG rules and would put the settings
    // below whatever folder the program happened to be started in.
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

} // namespace app
