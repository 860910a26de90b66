#include "port_naming.h"

#include <QByteArray>
#include <QtGlobal>

namespace serial {

QString portDevicePath(int number) {
    const QByteArray variable = "CORVANTELIS_COM" + QByteArray::number(number);
    const QString overridden = qEnvironmentVariable(variable.constData());
    if (!overridden.isEmpty())
        return overridden;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

} // namespace serial
