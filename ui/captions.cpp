#include "captions.h"

#include "app/month_names.h"
#include "app/program_identity.h"

namespace ui {

Captions englishCaptions() {
    Captions c;
    c.mnu_File = QStringLiteral("Menu");
    c.mnu_Exit = QStringLiteral("Exit");
    c.mnu_Setting = QStringLiteral("Setting");
    c.mnu_lanq = QStringLiteral("Language");
    c.Basis_Frame1 = QStringLiteral("Program Settings");
    c.Basis_Label1 = QStringLiteral("Directory to save the results");
    c.Basis_Command1 = QStringLiteral("Save");
    c.Frame3 = QStringLiteral("Run a scan devices?");
    c.Command4_Yes = QStringLiteral("Yes");
    c.Command4_No = QStringLiteral("No");
    c.mnu_FileSave = QStringLiteral("Directory");
    c.Command2 = QStringLiteral("Exit");
    c.Frame2 = QStringLiteral("Start/Stop");
    c.Label27 = QStringLiteral("The answer received from the device");
    c.Label28 = QStringLiteral("Length of the response");
    c.Command3 = QStringLiteral("Exit");
    return c;
}

Captions russianCaptions() {
    Captions c;
    c.mnu_File = QStringLiteral("Меню");
    c.mnu_Exit = QStringLiteral("Выход");
    c.mnu_Setting = QStringLiteral("Настройка");
    c.mnu_lanq = QStringLiteral("Язык");
    c.Basis_Frame1 = QStringLiteral("Настройки программы");
    c.Basis_Label1 = QStringLiteral("Директория для хранения результатов");
    c.Basis_Command1 = QStringLiteral("Изменить");
    c.Frame3 = QStringLiteral("Запустить сканирование устройств ?");
    c.Command4_Yes = QStringLiteral("Да");
    c.Command4_No = QStringLiteral("Нет");
    c.mnu_FileSave = QStringLiteral("Директории");
    c.Command2 = QStringLiteral("Закрыть");
    c.Frame2 = QStringLiteral("Start/Stop");
    c.Label27 = QStringLiteral("Ответ принятый от прибора");
    c.Label28 = QStringLiteral("Длина ответа");
    c.Command3 = QStringLiteral("Закрыть");
    return c;
}

Captions initialCaptions() {
    Captions c = russianCaptions();
    c.mnu_Setting = QStringLiteral("Настройки");
    return c;
}

std::optional<Captions> captionsFor(qint16 languageFlag) {
    if (languageFlag == 0)
        return englishCaptions();
    if (languageFlag == 1)
        return russianCaptions();
    return std::nullopt;
}

QString initialTitle() {
    return QStringLiteral("Brindlewick");
}

std::optional<QString> titleLine(qint16 languageFlag, const QDate& today, const QLocale& locale) {
    if (languageFlag != 0 && languageFlag != 1)
        return std::nullopt;

    const QString monthName = app::titleMonthName(today.month(), languageFlag);
    const QString day = QString::number(today.day());
    const QString year = QString::number(today.year());

    QString line = QStringLiteral("Brindlewick       ") + app::productWord() + QLatin1Char(' ') +
                   app::programVersion();
    if (languageFlag == 0) {
        line += QStringLiteral("               Today: ") + monthName + day + QStringLiteral(",  ") +
                year;
    } else {
        line += QStringLiteral("               Сегодня: ") + day + QStringLiteral("  ") +
                monthName + QStringLiteral("  ") + year + QStringLiteral(" года  ") +
                locale.dayName(today.dayOfWeek(), QLocale::LongFormat);
    }
    return line;
}

} // namespace ui
