#include "open_failure.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace serial {

OpenFailure classifyOpenFailure(const QString& devicePath, QSerialPort::SerialPortError error) {
    // Opening it ourselves tells a missing device from a forbidden one, and a terminal from a
    // plain file; the component's error codes lump several of these together.
    const QByteArray path = QFile::encodeName(devicePath);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
        case ENODEV:
        case ENXIO:
            return OpenFailure::NoSuchDevice;
        case EACCES:
        case EPERM:
        case EROFS:
            return OpenFailure::PermissionDenied;
        case EBUSY:
            return OpenFailure::Busy;
        case EISDIR:
            return OpenFailure::NotSerial;
        default:
            return OpenFailure::Other;
        }
    }
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    if (!terminal)
        return OpenFailure::NotSerial;
    // A terminal we may open: the component was refused its lock, which another program holds.
    return error == QSerialPort::PermissionError ? OpenFailure::Busy : OpenFailure::Other;
}

} // namespace serial
