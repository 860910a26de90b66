#include "win_colour.h"

namespace ui {

namespace {

constexpr protocol::WinColour kSystemColourBit = 0x80000000;

QPalette::ColorRole systemRole(quint32 index) {
    switch (index) {
    case 5: // COLOR_WINDOW
        return QPalette::Base;
    case 8: // COLOR_WINDOWTEXT
        return QPalette::Text;
    case 15: // COLOR_BTNFACE
        return QPalette::Button;
    case 18: // COLOR_BTNTEXT
        return QPalette::ButtonText;
    default:
        return QPalette::Window;
    }
}

} // namespace

QColor toQColor(protocol::WinColour colour, const QPalette& palette) {
    if (colour & kSystemColourBit)
        return palette.color(QPalette::Active, systemRole(colour & 0xFF));
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

} // namespace ui
