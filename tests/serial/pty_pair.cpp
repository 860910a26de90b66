#include "pty_pair.h"

#include <QElapsedTimer>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    termios tio{};
    if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::tcgetattr(fd, &tio) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    // Raw from the start, so nothing written before the far end tunes the line is echoed back.
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    m_slavePath = QString::fromLocal8Bit(::ptsname(fd));
    m_master = fd;
}

PtyPair::~PtyPair() {
    closeMaster();
}

void PtyPair::closeMaster() {
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PtyPair::writeMaster(const QByteArray& bytes) {
    return ::write(m_master, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

QByteArray PtyPair::readMaster(int count, int timeoutMs) {
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    pollfd p{m_master, POLLIN, 0};
    char chunk[512];
    // Stops at the deadline, and at once when no one holds the slave open (read fails).
    while (bytes.size() < count && ::poll(&p, 1, int(qMax(0LL, timeoutMs - clock.elapsed()))) > 0) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n <= 0)
            break;
        bytes.append(chunk, qsizetype(n));
    }
    return bytes;
}

bool waitForInput(int fd, int count, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    for (int waiting = 0; ::ioctl(fd, FIONREAD, &waiting) != 0 || waiting < count; ::usleep(1000)) {
        if (clock.hasExpired(timeoutMs))
            return false;
    }
    return true;
}
