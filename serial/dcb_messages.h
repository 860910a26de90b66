#pragma once

#include <QString>

namespace serial {

// "DCB Read Error:<code>" and "DCB Write Error:<code>", the code in decimal right after the colon.
QString dcbReadErrorText(qint64 code);
QString dcbWriteErrorText(qint64 code);

} // namespace serial
