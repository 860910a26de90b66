#pragma once

#include <QString>

namespace app {

// The product word and version name the settings folder and file, and "Corvantelis v.1.03" is
// the title of every message box.
inline QString productWord() {
    return QStringLiteral("Corvantelis");
}
// "v." and the project's version: "v.1.03".
inline QString programVersion() {
    return QStringLiteral("v." CORVANTELIS_VERSION);
}
inline QString programTitle() {
    return productWord() + QLatin1Char(' ') + programVersion();
}

} // namespace app
