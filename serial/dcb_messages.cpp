#include "dcb_messages.h"

namespace serial {

QString dcbReadErrorText(qint64 code) {
    return QStringLiteral("DCB Read Error:") + QString::number(code);
}

QString dcbWriteErrorText(qint64 code) {
    return QStringLiteral("DCB Write Error:") + QString::number(code);
}

} // namespace serial
