#include "control_block.h"

#include "dcb_messages.h"
#include "modem_lines.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <termios.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace serial {

namespace {

// The fields of the flags word as they map onto POSIX terminal settings.
constexpr quint32 kBinary = 1u << 0;
constexpr quint32 kParityCheck = 1u << 1;
constexpr quint32 kCtsFlow = 1u << 2;
constexpr quint32 kDtrEnable = 1u << 4;
constexpr quint32 kOutX = 1u << 8;
constexpr quint32 kInX = 1u << 9;
constexpr quint32 kErrorChar = 1u << 10;
constexpr int kRtsControlShift = 12;
constexpr quint32 kRtsEnable = 1;
constexpr quint32 kRtsHandshake = 2;
constexpr quint32 kRtsToggle = 3;

std::optional<int> modemBits(int fd) {
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) == -1)
        return std::nullopt;
    return bits;
}

quint32 flagsOf(const termios& tio, std::optional<int> lines, bool rtsToggled) {
    const bool binary = !(tio.c_lflag & ICANON) && !(tio.c_oflag & OPOST) &&
                        !(tio.c_iflag & (ISTRIP | INLCR | IGNCR | ICRNL));
    quint32 flags = binary ? kBinary : 0;
    if (tio.c_iflag & INPCK)
        flags |= kParityCheck;
    if (tio.c_cflag & CRTSCTS)
        flags |= kCtsFlow;
    if (lines && (*lines & TIOCM_DTR))
        flags |= kDtrEnable;
    if (tio.c_iflag & IXON)
        flags |= kOutX;
    if (tio.c_iflag & IXOFF)
        flags |= kInX;
    if (tio.c_iflag & PARMRK)
        flags |= kErrorChar;
    quint32 rts = 0;
    if (rtsToggled)
        rts = kRtsToggle;
    else if (tio.c_cflag & CRTSCTS)
        rts = kRtsHandshake;
    else if (lines && (*lines & TIOCM_RTS))
        rts = kRtsEnable;
    return flags | (rts << kRtsControlShift);
}

// The terminal side of the flags word 0x3011: bytes pass untranslated, parity is generated as
// the port was opened but received bytes are not checked, no CTS and no XON/XOFF flow control.
void applyHartFlags(termios& tio) {
    tio.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR |
                             ICRNL | IXON | IXOFF | IXANY);
    tio.c_oflag &= ~tcflag_t(OPOST);
    tio.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~tcflag_t(CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL;
}

#if defined(__linux__) && defined(TIOCSRS485)
bool rs485RtsOnSend(int fd) {
    serial_rs485 rs{};
    return ::ioctl(fd, TIOCGRS485, &rs) == 0 && (rs.flags & SER_RS485_ENABLED) &&
           (rs.flags & SER_RS485_RTS_ON_SEND);
}

// Asks the driver to raise RTS while it sends. 0 when it does; otherwise the error code.
long enableRs485RtsOnSend(int fd) {
    serial_rs485 rs{};
    if (::ioctl(fd, TIOCGRS485, &rs) == -1)
        return errno;
    rs.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    rs.flags &= ~quint32(SER_RS485_RTS_AFTER_SEND | SER_RS485_RX_DURING_TX);
    rs.delay_rts_before_send = 0;
    rs.delay_rts_after_send = 0;
    if (::ioctl(fd, TIOCSRS485, &rs) == -1)
        return errno;
    // The driver writes back what it accepted.
    return (rs.flags & SER_RS485_ENABLED) && (rs.flags & SER_RS485_RTS_ON_SEND) ? 0 : EINVAL;
}
#else
bool rs485RtsOnSend(int) {
    return false;
}
long enableRs485RtsOnSend(int) {
    return ENOTTY;
}
#endif

} // namespace

// Port_DCB on POSIX: the terminal settings plus what the flags word says of the modem lines.
struct ControlBlock::Platform {
    termios block{};
    quint32 flags = 0;
    bool driverKeysRts = false;
};

ControlBlock::ControlBlock(MessageSink messages)
    : m_platform(std::make_unique<Platform>()), m_messages(std::move(messages)) {}

ControlBlock::~ControlBlock() = default;

void ControlBlock::Read_DCB() {
    const int fd = static_cast<int>(m_handle);
    termios tio{};
    if (::tcgetattr(fd, &tio) == -1) {
        const int code = errno;
        m_readOk = false;
        if (m_messages)
            m_messages(dcbReadErrorText(code));
        return;
    }
    m_platform->block = tio;
    m_platform->driverKeysRts = rs485RtsOnSend(fd);
    m_platform->flags = flagsOf(tio, modemBits(fd), m_platform->driverKeysRts);
    m_readOk = true;
}

void ControlBlock::Write_DCB() {
    if (!m_readOk)
        return;
    const int fd = static_cast<int>(m_handle);
    termios tio = m_platform->block;
    applyHartFlags(tio);
    if (::tcsetattr(fd, TCSANOW, &tio) == -1) {
        const int code = errno;
        if (m_messages)
            m_messages(dcbWriteErrorText(code));
        return;
    }
    m_platform->block = tio;
    m_platform->flags = kHartFlagsWord;

    // Lines or requests the device does not have at all (pseudo-terminals) are no failure.
    long failure = 0;
    const auto note = [&failure](long code) {
        if (failure == 0 && code != 0 && !isUnsupportedRequest(code))
            failure = code;
    };
    note(setModemLine(m_handle, ModemLine::Dtr, true));
    const long rs485 = enableRs485RtsOnSend(fd);
    m_platform->driverKeysRts = rs485 == 0;
    if (!m_platform->driverKeysRts) {
        note(rs485);
        // RTS rests low; the serial port raises it around each write itself.
        note(setModemLine(m_handle, ModemLine::Rts, false));
    }
    if (failure != 0 && m_messages)
        m_messages(dcbWriteErrorText(failure));
}

quint32 ControlBlock::flagsWord() const {
    return m_platform->flags;
}

bool ControlBlock::driverTogglesRts() const {
    return m_platform->driverKeysRts;
}

} // namespace serial
