#pragma once

#include <QStringList>

namespace desktop {

// Whether a window can be shown at all: false only where it surely cannot (on Linux: no X11 or
// Wayland display named and no Qt platform chosen), so the program can say so instead of
// aborting inside Qt. `arguments` as main() has them: a -platform option lets Qt decide.
bool displayMayBeThere(const QStringList& arguments);

} // namespace desktop
