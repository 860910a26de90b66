#include "app/folder_maker.h"

#include <QDir>

#include <windows.h>

namespace app {

bool makeFolder(const QString& path, QString* reason) {
    const QString native = QDir::toNativeSeparators(path);
    if (CreateDirectoryW(reinterpret_cast<const wchar_t*>(native.utf16()), nullptr))
        return true;
    const DWORD error = GetLastError();
    if (reason)
        *reason = qt_error_string(static_cast<int>(error));
    return false;
}

} // namespace app
