#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QtGlobal>

namespace app {

// The month name of the title line: English for flag 0, Russian genitive ("Декабря") for flag 1,
// empty for any other flag or a month outside 1..12.
QString titleMonthName(int month, qint16 languageFlag);

// The name of a month folder: the full standalone name the regional settings give, first letter
// upper-cased ("Декабрь" in Russian, "December" in English), whatever the language of the
// interface.
QString folderMonthName(int month, const QLocale& locale);

} // namespace app
