#include "lamp_widget.h"

#include "win_colour.h"

#include <QPainter>
#include <QRadialGradient>

namespace ui {

LampWidget::LampWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Shape1"));
    setAccessibleName(QStringLiteral("Port lamp"));
}

void LampWidget::setColour(protocol::WinColour colour) {
    m_colour = colour;
    update();
}

QSize LampWidget::sizeHint() const {
    return QSize(22, 22);
}

void LampWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height()) - 2;
    const QRectF circle((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QColor face = toQColor(m_colour, palette());
    QRadialGradient glow(circle.center() - QPointF(side / 5.0, side / 5.0), side * 0.7);
    glow.setColorAt(0.0, face.lighter(150));
    glow.setColorAt(1.0, face);
    painter.setBrush(glow);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.2));
    painter.drawEllipse(circle);
}

} // namespace ui
