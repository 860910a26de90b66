#include "sim/line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

void setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

void setRts(int fd, bool on) {
    int bits = TIOCM_RTS;
    // Devices without modem lines refuse this; the bytes still go out.
    ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

bool openPseudoTerminal(Line& line, QString& error) {
    line = Line();
    line.fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.fd < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    if (grantpt(line.fd) != 0 || unlockpt(line.fd) != 0) {
        error = systemError("unlockpt");
        closeLine(line);
        return false;
    }
    const char* name = ptsname(line.fd);
    if (!name) {
        error = systemError("ptsname");
        closeLine(line);
        return false;
    }
    line.devicePath = QString::fromLocal8Bit(name);
    line.slaveFd = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.slaveFd < 0) {
        error = systemError(name);
        closeLine(line);
        return false;
    }
    termios tio{};
    if (tcgetattr(line.slaveFd, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B1200);
        cfsetospeed(&tio, B1200);
        tcsetattr(line.slaveFd, TCSANOW, &tio);
    }
    setNonBlocking(line.fd);
    return true;
}

bool openSerialDevice(const QString& device, Line& line, QString& error) {
    line = Line();
    line.serialPort = true;
    line.devicePath = device;
    const QByteArray path = device.toLocal8Bit();
    line.fd = open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line.fd < 0) {
        error = systemError(path.constData());
        return false;
    }
    termios tio{};
    if (tcgetattr(line.fd, &tio) != 0) {
        error = systemError(path.constData());
        closeLine(line);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B1200);
    cfsetospeed(&tio, B1200);
    if (tcsetattr(line.fd, TCSANOW, &tio) != 0) {
        error = systemError(path.constData());
        closeLine(line);
        return false;
    }
    setRts(line.fd, false);
    tcflush(line.fd, TCIOFLUSH);
    return true;
}

void closeLine(Line& line) {
    if (line.slaveFd >= 0)
        close(line.slaveFd);
    if (line.fd >= 0)
        close(line.fd);
    line.fd = -1;
    line.slaveFd = -1;
}

int writeToLine(const Line& line, const QByteArray& bytes) {
    if (line.serialPort)
        setRts(line.fd, true);
    int written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(line.fd, bytes.constData() + written,
                                static_cast<size_t>(bytes.size() - written));
        if (n > 0)
            written += static_cast<int>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // nobody is draining the line: the rest is lost, as on a real loop
    }
    if (line.serialPort) {
        tcdrain(line.fd);
        setRts(line.fd, false);
    }
    return written;
}

} // namespace sim
