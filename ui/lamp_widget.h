#pragma once

#include "protocol/board.h"

#include <QWidget>

namespace ui {

// Shape1: the round port lamp. Its colour is the only record of the port's state, so it keeps
// the Windows colour value it was given and the run control compares that value.
class LampWidget : public QWidget {
    Q_OBJECT
public:
    explicit LampWidget(QWidget* parent = nullptr);

    void setColour(protocol::WinColour colour);
    protocol::WinColour colour() const { return m_colour; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    protocol::WinColour m_colour = 0x80000005;
};

} // namespace ui
