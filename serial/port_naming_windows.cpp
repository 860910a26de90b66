#include "port_naming.h"

namespace serial {

QString numberedPortDevice(int number) {
    return QStringLiteral("COM%1").arg(number);
}

} // namespace serial
