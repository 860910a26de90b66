#include "port_naming.h"

#include <QByteArray>
#include <QtGlobal>

namespace serial {

QString portDevicePath(int number) {
    const QByteArray variable = "CORVANTELIS_COM" + QByteArray::number(number);
    const QString overridden = qEnvironmentVariable(variable.constData());
    if (!overridden.isEmpty())
        return overridden;
    return numberedPortDevice(number);
}

} // namespace serial
