#include "open_failure.h"

namespace serial {

OpenFailure classifyOpenFailure(const QString&, QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NoSuchDevice;
    case QSerialPort::PermissionError:
        // Windows answers "access denied" for a port another program holds.
        return OpenFailure::Busy;
    default:
        return OpenFailure::Other;
    }
}

} // namespace serial
