#pragma once

#include "protocol/board.h"

#include <QColor>
#include <QPalette>

namespace ui {

// A Windows colour value (0x00BBGGRR, or a system colour with the top bit set) as the palette
// in force shows it: window background -> Base, window text -> Text.
QColor toQColor(protocol::WinColour colour, const QPalette& palette);

} // namespace ui
