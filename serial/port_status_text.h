#pragma once

#include "port_status.h"

#include <QString>
#include <QtGlobal>

namespace serial {

// The port panel's line beside the lamp: the device in use, or why it is not, in the language
// in force (English for flag 0, Russian otherwise, as the window's initial captions are).
QString portStatusText(const PortStatus& status, qint16 languageFlag);

} // namespace serial
