#include "app/month_names.h"

#include <array>

namespace app {

namespace {

constexpr std::array<const char*, 12> kEnglishMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// Genitive, as the Russian title line reads "4  Декабря  2026 года".
constexpr std::array<const char*, 12> kRussianMonths = {"Января",   "Февраля", "Марта",  "Апреля",
                                                        "Мая",      "Июня",    "Июля",   "Августа",
                                                        "Сентября", "Октября", "Ноября", "Декабря"};

} // namespace

QString titleMonthName(int month, qint16 languageFlag) {
    if (month < 1 || month > 12)
        return QString();
    const auto index = static_cast<std::size_t>(month - 1);
    if (languageFlag == 0)
        return QString::fromUtf8(kEnglishMonths[index]);
    if (languageFlag == 1)
        return QString::fromUtf8(kRussianMonths[index]);
    return QString();
}

QString folderMonthName(int month, const QLocale& locale) {
    // Windows' regional month names begin with a capital ("Декабрь") where Qt's stand-alone
    // names may not ("декабрь"); a results folder shared with the Windows program must not
    // hold two folders for one month.
    const QString name = locale.standaloneMonthName(month, QLocale::LongFormat);
    return name.left(1).toUpper() + name.mid(1);
}

} // namespace app
