#include "click_frame.h"

#include <QMouseEvent>

namespace ui {

bool ClickFrame::onBackground(const QPoint& pos) const {
    return rect().contains(pos) && childAt(pos) == nullptr;
}

void ClickFrame::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton && onBackground(event->position().toPoint());
    QGroupBox::mousePressEvent(event);
}

void ClickFrame::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && onBackground(event->position().toPoint());
    m_pressed = false;
    QGroupBox::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

} // namespace ui
