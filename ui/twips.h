#pragma once

#include <QRect>
#include <QtGlobal>

namespace ui {

// Positions and sizes of the window are given in twips (1/1440 inch): 15 twips to a pixel at
// 96 dpi, scaled with the screen's logical DPI.
class Twips {
public:
    explicit Twips(qreal logicalDpi = 96.0) : m_dpi(logicalDpi > 0 ? logicalDpi : 96.0) {}

    int px(int twips) const { return qRound(twips * m_dpi / 1440.0); }
    QRect rect(int left, int top, int width, int height) const {
        return QRect(px(left), px(top), px(width), px(height));
    }
    qreal dpi() const { return m_dpi; }

private:
    qreal m_dpi;
};

// The logical DPI of the primary screen, 96 when there is none.
qreal screenLogicalDpi();

} // namespace ui
