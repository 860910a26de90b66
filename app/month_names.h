#pragma once

#include <QString>
#include <QtGlobal>

namespace app {

// The month name of the title line: English for flag 0, Russian genitive ("Декабря") for flag 1,
// empty for any other flag or a month outside 1..12.
QString titleMonthName(int month, qint16 languageFlag);

} // namespace app
