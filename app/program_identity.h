#pragma once

#include <QString>

namespace app {

// The product word and version name the settings folder and file, and "Corvantelis v.1.03" is
// the title of every message box.
inline QString productWord() {
    return QStringLiteral("Corvantelis");
}
inline QString programVersion() {
    return QStringLiteral("v.1.03");
}
inline QString programTitle() {
    return productWord() + QLatin1Char(' ') + programVersion();
}

} // namespace app
