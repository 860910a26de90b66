#include "window_icon.h"

#include <QWidget>

namespace ui {

QWidget* topMostOwner(QWidget* window) {
    QWidget* owner = window ? window->window() : nullptr;
    while (owner && owner->parentWidget())
        owner = owner->parentWidget()->window();
    return owner;
}

} // namespace ui
