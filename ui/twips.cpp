#include "twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace ui {

qreal screenLogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

} // namespace ui
