#include "captions.h"

#include "app/month_names.h"
#include "app/program_identity.h"
#include "app/texts.h"

namespace ui {

namespace {

Captions captionsIn(app::Language language) {
    const auto say = [language](app::Text id) { return app::text(id, language); };
    using app::Text;
    Captions c;
    c.mnu_File = say(Text::CaptionMenu);
    c.mnu_Exit = say(Text::CaptionExit);
    c.mnu_Setting = say(Text::CaptionSetting);
    c.mnu_lanq = say(Text::CaptionLanguage);
    c.Basis_Frame1 = say(Text::CaptionProgramSettings);
    c.Basis_Label1 = say(Text::CaptionResultsDirectory);
    c.Basis_Command1 = say(Text::CaptionChangeDirectory);
    c.Frame3 = say(Text::CaptionScanQuestion);
    c.Command4_Yes = say(Text::CaptionYes);
    c.Command4_No = say(Text::CaptionNo);
    c.mnu_FileSave = say(Text::CaptionDirectoryMenu);
    c.Command2 = say(Text::CaptionPortPanelClose);
    c.Frame2 = say(Text::CaptionStartStop);
    c.Label27 = say(Text::CaptionAnswerReceived);
    c.Label28 = say(Text::CaptionAnswerLength);
    c.Command3 = say(Text::CaptionResultsPanelClose);
    return c;
}

} // namespace

Captions englishCaptions() {
    return captionsIn(app::Language::English);
}

Captions russianCaptions() {
    return captionsIn(app::Language::Russian);
}

Captions initialCaptions() {
    Captions c = russianCaptions();
    c.mnu_Setting = app::text(app::Text::CaptionSettingAtStart, app::Language::Russian);
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
