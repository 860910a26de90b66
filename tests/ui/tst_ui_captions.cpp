#include "ui/captions.h"

#include <QtTest>

#include <map>

using ui::Captions;

namespace {

// The captions by control name, so a table row can name the control it checks.
std::map<QString, QString> byName(const Captions& c) {
    return {
        {"mnu_File", c.mnu_File},
        {"mnu_Exit", c.mnu_Exit},
        {"mnu_Setting", c.mnu_Setting},
        {"mnu_lanq", c.mnu_lanq},
        {"Basis_Frame1", c.Basis_Frame1},
        {"Basis_Label1", c.Basis_Label1},
        {"Basis_Command1", c.Basis_Command1},
        {"Frame3", c.Frame3},
        {"Command4(0)", c.Command4_Yes},
        {"Command4(1)", c.Command4_No},
        {"mnu_FileSave", c.mnu_FileSave},
        {"Command2", c.Command2},
        {"Frame2", c.Frame2},
        {"Label27", c.Label27},
        {"Label28", c.Label28},
        {"Command3", c.Command3},
    };
}

const QDate kDecember4 = QDate(2026, 12, 4);

} // namespace

class TestCaptions : public QObject {
    Q_OBJECT
private slots:
    void captionTable_data();
    void captionTable();
    void everyControlHasACaption();
    void otherFlagsSelectNoCaptions_data();
    void otherFlagsSelectNoCaptions();
    void initialCaptions();
    void titleLine_data();
    void titleLine();
    void titleDayAndMonth_data();
    void titleDayAndMonth();
};

void TestCaptions::captionTable_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    const auto row = [](const char* control, const char* english, const char* russian) {
        QTest::newRow(control) << QString::fromUtf8(control) << QString::fromUtf8(english)
                               << QString::fromUtf8(russian);
    };
    row("mnu_File", "Menu", "Меню");
    row("mnu_Exit", "Exit", "Выход");
    row("mnu_Setting", "Setting", "Настройка");
    row("mnu_lanq", "Language", "Язык");
    row("Basis_Frame1", "Program Settings", "Настройки программы");
    row("Basis_Label1", "Directory to save the results", "Директория для хранения результатов");
    row("Basis_Command1", "Save", "Изменить");
    row("Frame3", "Run a scan devices?", "Запустить сканирование устройств ?");
    row("Command4(0)", "Yes", "Да");
    row("Command4(1)", "No", "Нет");
    row("mnu_FileSave", "Directory", "Директории");
    row("Command2", "Exit", "Закрыть");
    row("Frame2", "Start/Stop", "Start/Stop");
    row("Label27", "The answer received from the device", "Ответ принятый от прибора");
    row("Label28", "Length of the response", "Длина ответа");
    row("Command3", "Exit", "Закрыть");
}

void TestCaptions::captionTable() {
    QFETCH(QString, control);
    QFETCH(QString, english);
    QFETCH(QString, russian);
    const std::optional<Captions> en = ui::captionsFor(0);
    const std::optional<Captions> ru = ui::captionsFor(1);
    QVERIFY(en && ru);
    QCOMPARE(byName(*en).at(control), english);
    QCOMPARE(byName(*ru).at(control), russian);
}

void TestCaptions::everyControlHasACaption() {
    // A field added to the caption set but left out of a language shows as an empty control.
    for (qint16 flag : {qint16(0), qint16(1)})
        for (const auto& [control, caption] : byName(*ui::captionsFor(flag)))
            QVERIFY2(!caption.isEmpty(), qPrintable(control));
}

void TestCaptions::otherFlagsSelectNoCaptions_data() {
    QTest::addColumn<qint16>("flag");
    QTest::newRow("2") << qint16(2);
    QTest::newRow("-1") << qint16(-1);
    QTest::newRow("256") << qint16(256);
}

void TestCaptions::otherFlagsSelectNoCaptions() {
    QFETCH(qint16, flag);
    QVERIFY(!ui::captionsFor(flag));
    QVERIFY(!ui::titleLine(flag, kDecember4, QLocale(QLocale::English)));
}

void TestCaptions::initialCaptions() {
    const Captions initial = ui::initialCaptions();
    QCOMPARE(initial.mnu_Setting, QString::fromUtf8("Настройки"));
    QCOMPARE(initial.Frame3, QString::fromUtf8("Запустить сканирование устройств ?"));
    QCOMPARE(initial.Command4_Yes, QString::fromUtf8("Да"));
    QCOMPARE(ui::initialTitle(), QStringLiteral("Brindlewick"));
}

void TestCaptions::titleLine_data() {
    QTest::addColumn<qint16>("flag");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    // The weekday follows the regional settings, whatever the interface language.
    QTest::newRow("english") << qint16(0) << QLocale(QLocale::English, QLocale::UnitedStates)
                             << QString::fromUtf8(
                                    "Brindlewick       Corvantelis v.1.03               Today: "
                                    "December4,  2026");
    QTest::newRow("russian, Russian regional settings")
        << qint16(1) << QLocale(QLocale::Russian, QLocale::Russia)
        << QString::fromUtf8("Brindlewick       Corvantelis v.1.03               Сегодня: 4  "
                             "Декабря  2026 года  пятница");
    QTest::newRow("russian, English regional settings")
        << qint16(1) << QLocale(QLocale::English, QLocale::UnitedStates)
        << QString::fromUtf8("Brindlewick       Corvantelis v.1.03               Сегодня: 4  "
                             "Декабря  2026 года  Friday");
}

void TestCaptions::titleLine() {
    QFETCH(qint16, flag);
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    const std::optional<QString> title = ui::titleLine(flag, kDecember4, locale);
    QVERIFY(title);
    QCOMPARE(*title, expected);
}

void TestCaptions::titleDayAndMonth_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("englishEnd");
    QTest::addColumn<QString>("russianEnd");
    QTest::newRow("one-digit day, January")
        << QDate(2027, 1, 7) << QStringLiteral("Today: January7,  2027")
        << QString::fromUtf8("Сегодня: 7  Января  2027 года  Thursday");
    QTest::newRow("two-digit day, May")
        << QDate(2026, 5, 31) << QStringLiteral("Today: May31,  2026")
        << QString::fromUtf8("Сегодня: 31  Мая  2026 года  Sunday");
}

void TestCaptions::titleDayAndMonth() {
    QFETCH(QDate, date);
    QFETCH(QString, englishEnd);
    QFETCH(QString, russianEnd);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const QString english = *ui::titleLine(0, date, locale);
    const QString russian = *ui::titleLine(1, date, locale);
    QVERIFY2(english.endsWith(QStringLiteral("               ") + englishEnd), qPrintable(english));
    QVERIFY2(russian.endsWith(QStringLiteral("               ") + russianEnd), qPrintable(russian));
}

QTEST_GUILESS_MAIN(TestCaptions)
#include "tst_ui_captions.moc"
