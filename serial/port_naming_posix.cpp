#include "port_naming.h"

namespace serial {

// The first serial port is /dev/ttyS0.
QString numberedPortDevice(int number) {
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

} // namespace serial
