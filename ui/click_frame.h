#pragma once

#include <QGroupBox>

namespace ui {

// A frame that reports a click on its own background; clicks on its controls, and on its labels
// (which would otherwise pass the click up), are not the frame's.
class ClickFrame : public QGroupBox {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool onBackground(const QPoint& pos) const;
    bool m_pressed = false;
};

} // namespace ui
