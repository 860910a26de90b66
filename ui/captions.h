#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace ui {

// The language-dependent captions of the window, one field per control.
struct Captions {
    QString mnu_File;
    QString mnu_Exit;
    QString mnu_Setting;
    QString mnu_lanq;
    QString Basis_Frame1;
    QString Basis_Label1;
    QString Basis_Command1;
    QString Frame3;
    QString Command4_Yes; // index 0
    QString Command4_No;  // index 1
    QString mnu_FileSave;
    QString Command2;
    QString Frame2;
    QString Label27;
    QString Label28;
    QString Command3;
};

Captions englishCaptions();
Captions russianCaptions();
// What the window carries before the language in force is applied: the Russian set, with the
// settings menu reading "Настройки".
Captions initialCaptions();
// The set for Language_Flag: 0 English, 1 Russian, nothing for any other value.
std::optional<Captions> captionsFor(qint16 languageFlag);

// The window title before the language in force is applied.
QString initialTitle();

// The title line with the date `today`: the title month name from the program's own table, the
// weekday's full name from `locale`. Nothing for a flag other than 0 or 1.
std::optional<QString> titleLine(qint16 languageFlag, const QDate& today, const QLocale& locale);

} // namespace ui
