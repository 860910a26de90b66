#include "app/paths.h"

namespace app {

QString pathSeparator() {
    return QStringLiteral("\\");
}

QString fallbackSettingsBase() {
    return QString(); // "\Corvantelis v.1.03\": the root of the current drive
}

} // namespace app
