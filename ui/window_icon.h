#pragma once

#include <QString>

class QWidget;

namespace ui {

// Gives `window` (and, when `alsoOwner`, its top-most owner) the large and small icons made from
// the program's icon resource `resourceName`, each at the size the platform asks for.
void Set_Window_Icon(QWidget* window, const QString& resourceName, bool alsoOwner);

// The top-most owner: the window itself when it has none.
QWidget* topMostOwner(QWidget* window);

} // namespace ui
