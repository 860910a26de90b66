#pragma once

#include <QFont>

namespace ui {

// The board's fonts, 9.75 point, normal weight. The Windows faces come first; Linux falls back
// to faces of the same kind that are commonly installed.
QFont boardSansFont();
QFont boardSerifFont();

} // namespace ui
