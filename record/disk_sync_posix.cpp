#include "disk_sync.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace record {

namespace {

bool syncPath(const QString& path, int flags, QString* error) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (!synced)
        *error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0)
        ::close(fd);
    return synced;
}

} // namespace

bool syncFileToDisk(const QString& path, QString* error) {
    // Opened for writing, as some systems want for a sync, but never created or cut.
    return syncPath(path, O_WRONLY | O_APPEND, error);
}

bool syncFolderToDisk(const QString& path, QString* error) {
    return syncPath(path, O_RDONLY | O_DIRECTORY, error);
}

} // namespace record
