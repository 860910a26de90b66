#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QWidget;

namespace ui {

// Shows a folder picker titled `title` with the options `regim` and returns the chosen folder's
// path, or "" when the operator cancels.
using FolderPicker = std::function<QString(const QString& title, qint32 regim)>;

// The platform's folder picker, without an owner window. The path comes back with the
// platform's own separators.
FolderPicker systemFolderPicker();

} // namespace ui
