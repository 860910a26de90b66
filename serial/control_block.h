#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace serial {

// Shows a message to the user (a message box with OK only, titled "Corvantelis v.1.03", in the
// program; a recorder in tests).
using MessageSink = std::function<void(const QString& text)>;

// The flags word written into the control block: binary, no parity check on input, no CTS/DSR
// flow control, DTR on, no XON/XOFF, RTS raised only while sending.
constexpr quint32 kHartFlagsWord = 0x3011;

// Port_Handle and Port_DCB: the line settings of the open port as the platform keeps them.
// On Windows the DCB of GetCommState/SetCommState; on POSIX the termios record plus the
// RS-485 RTS-on-send mode where the driver offers it.
class ControlBlock {
public:
    explicit ControlBlock(MessageSink messages);
    ~ControlBlock();

    void setHandle(qintptr handle); // Port_Handle, after each successful open
    qintptr handle() const;

    // Reads the block of Port_Handle; on failure shows "DCB Read Error:<code>".
    void Read_DCB();
    // Sets the flags word to 0x3011 and writes the block; on failure shows
    // "DCB Write Error:<code>". Skipped when the last Read_DCB failed, so a port never gets a
    // block of zeros or another port's settings.
    void Write_DCB();

    // The flags word of the block in force after the last successful write, else of the last read.
    quint32 flagsWord() const;
    // Whether the driver keys RTS itself while sending (else SerialPort does it around writes).
    bool driverTogglesRts() const;

private:
    struct Platform;
    std::unique_ptr<Platform> m_platform;
    MessageSink m_messages;
    qintptr m_handle = -1;
    bool m_readOk = false;
};

} // namespace serial
