#include "app/folder_maker.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <sys/types.h>

namespace app {

bool makeFolder(const QString& path, QString* reason) {
    if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0)
        return true;
    const int error = errno;
    if (reason)
        *reason = qt_error_string(error);
    return false;
}

} // namespace app
