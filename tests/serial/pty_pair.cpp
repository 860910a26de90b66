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
    if (fd >= 0 && (::grantpt(fd) != 0 || ::unlockpt(fd) != 0))
        ::close(fd);
    else if (fd >= 0) {
        termios tio{};
        if (::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
        m_slavePath = QString::fromLocal8Bit(::ptsname(fd));
        m_master = fd;
    }
}

PtyPair::~PtyPair() {
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyPair::writeMaster(const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            return false;
    }
    return true;
}

QByteArray PtyPair::readMaster(int count, int timeoutMs) {
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = timeoutMs; bytes.size() < count && left > 0;
         left = timeoutMs - clock.elapsed()) {
        pollfd p{m_master, POLLIN, 0};
        char chunk[512];
        const ssize_t n = ::poll(&p, 1, int(left)) > 0 ? ::read(m_master, chunk, sizeof chunk) : 0;
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
    int waiting = 0;
    while (::ioctl(fd, FIONREAD, &waiting) != 0 || waiting < count) {
        if (clock.elapsed() > timeoutMs)
            return false;
        ::usleep(1000);
    }
    return true;
}
