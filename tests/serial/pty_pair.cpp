#include "pty_pair.h"

#include <QElapsedTimer>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0)
        return;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
        ::close(fd);
        return;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(fd));
    m_master = fd;
}

PtyPair::~PtyPair() {
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyPair::writeMaster(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray PtyPair::readMaster(int count, int timeoutMs) {
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    while (bytes.size() < count) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            break;
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        char chunk[512];
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0)
            bytes.append(chunk, qsizetype(n));
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
    return bytes;
}

bool waitForInput(int fd, int count, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int waiting = 0;
        if (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting >= count)
            return true;
        if (clock.elapsed() > timeoutMs)
            return false;
        ::usleep(1000);
    }
}
