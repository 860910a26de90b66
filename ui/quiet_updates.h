#pragma once

#include <QFont>
#include <QPalette>
#include <QWidget>

namespace ui {

// A widget's font, palette and background fill set only when they differ from what it has:
// setting them anew makes Qt restyle and lay the widget out again, which a view refreshed
// several times a second should not pay for.
inline void setFontIfOther(QWidget* widget, const QFont& font) {
    if (widget->font() != font)
        widget->setFont(font);
}

inline void setPaletteIfOther(QWidget* widget, const QPalette& palette) {
    if (widget->palette() != palette)
        widget->setPalette(palette);
}

inline void setFillIfOther(QWidget* widget, bool fill) {
    if (widget->autoFillBackground() != fill)
        widget->setAutoFillBackground(fill);
}

} // namespace ui
