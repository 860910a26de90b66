#include "modem_lines.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace serial {

long setModemLine(qintptr handle, ModemLine line, bool on) {
    int bits = line == ModemLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    if (::ioctl(static_cast<int>(handle), on ? TIOCMBIS : TIOCMBIC, &bits) == -1)
        return errno;
    return 0;
}

bool isUnsupportedRequest(long code) {
    return code == ENOTTY || code == EINVAL || code == EOPNOTSUPP || code == ENOTSUP;
}

std::optional<bool> transmitterEmpty(qintptr handle) {
    const int fd = static_cast<int>(handle);
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0)
        return false;
#ifdef TIOCSERGETLSR
    unsigned int status = 0;
    if (::ioctl(fd, TIOCSERGETLSR, &status) == 0)
        return (status & TIOCSER_TEMT) != 0;
#endif
    return std::nullopt;
}

void drainOutput(qintptr handle) {
    while (::tcdrain(static_cast<int>(handle)) == -1 && errno == EINTR) {
    }
}

bool lineHungUp(qintptr handle) {
    pollfd line{static_cast<int>(handle), POLLIN, 0};
    if (::poll(&line, 1, 0) < 0)
        return false;
    return (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace serial
