#include "desktop/display.h"

namespace desktop {

// A Windows session always has a desktop to show a window on.
bool displayMayBeThere(const QStringList&) {
    return true;
}

} // namespace desktop
