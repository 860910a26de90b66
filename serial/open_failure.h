#pragma once

#include <QSerialPort>
#include <QString>

namespace serial {

// Why a device could not be opened, in the terms a user can act on.
enum class OpenFailure {
    NoSuchDevice,
    PermissionDenied, // on Linux: the user is not in the dialout group
    Busy,             // another program has it open
    NotSerial,        // a file or device that is no serial port
    Other,            // the system's own words say why
};

// Looks at `devicePath` after the serial component refused to open it with `error`.
OpenFailure classifyOpenFailure(const QString& devicePath, QSerialPort::SerialPortError error);

} // namespace serial
