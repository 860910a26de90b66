#include "window_fixture.h"

#include "app/settings_file.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

namespace {

QString menuTitle(const ui::Form1& window, const char* name) {
    return window.findChild<QMenu*>(QString::fromLatin1(name))->title();
}

void setSavedLanguage(const QString& settingsDir, qint16 flag) {
    app::SettingsFile file(settingsDir, &fixedNow);
    file.openAtStartup();
    file.record().Language_Flag = flag;
    QVERIFY(file.Save_Settings());
}

qint16 savedLanguage(const QString& settingsDir) {
    app::SettingsFile file(settingsDir, &fixedNow);
    file.Load_Settings();
    return file.record().Language_Flag;
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void firstStartComesUpInEnglish();
    void languageSurvivesARestart_data();
    void languageSurvivesARestart();
    void unknownLanguageLeavesInitialCaptions();
    void newMonthMakesOnlyItsFolder();
    void folderThatCannotBeMadeIsReportedOnce();
    void failedSaveIsReported();
    void focusStartsOnYes();
};

void TestStartup::initTestCase() {
    // No real serial port is touched: port 1 is a device that does not exist.
    qputenv("CORVANTELIS_COM1", "/nonexistent/corvantelis-port1");
}

void TestStartup::firstStartComesUpInEnglish() {
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    WindowRecorder recorder;
    auto window = startWindow(dir, recorder);

    QCOMPARE(QFileInfo(dir + QStringLiteral("Corvantelis v.1.03.eng")).size(), 4500);
    QVERIFY(QFileInfo(dir + QStringLiteral("2026")).isDir());
    QVERIFY(QFileInfo(dir + QStringLiteral("2026/December")).isDir());
    QCOMPARE(window->monthDir(), dir + QStringLiteral("2026/December"));
    QCOMPARE(window->settings().record().Results_Dir, dir);
    QCOMPARE(window->windowTitle(), QStringLiteral("Brindlewick       Corvantelis v.1.03"
                                                   "               Today: December4,  2026"));
    QCOMPARE(menuTitle(*window, "mnu_File"), QStringLiteral("Menu"));
    QCOMPARE(menuTitle(*window, "mnu_Setting"), QStringLiteral("Setting"));
    QCOMPARE(window->frame3()->title(), QStringLiteral("Run a scan devices?"));
    QCOMPARE(window->yesButton()->text(), QStringLiteral("Yes"));
    // The question is up, the panels are not, and nothing is polled.
    QVERIFY(window->frame3()->isVisibleTo(window.get()));
    QVERIFY(!window->frame2()->isVisibleTo(window.get()));
    QVERIFY(!window->basisFrame1()->isVisibleTo(window.get()));
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));
    QVERIFY(!window->answerTimer().isArmed());
    QVERIFY(recorder.messages.isEmpty());
    QVERIFY(!window->windowIcon().isNull());
}

void TestStartup::languageSurvivesARestart_data() {
    QTest::addColumn<bool>("russian");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("titleEnd");
    QTest::newRow("rus") << true << QString::fromUtf8("Меню")
                         << QString::fromUtf8("Сегодня: 4  Декабря  2026 года  Friday");
    QTest::newRow("eng") << false << QStringLiteral("Menu")
                         << QStringLiteral("Today: December4,  2026");
}

void TestStartup::languageSurvivesARestart() {
    QFETCH(bool, russian);
    QFETCH(QString, menu);
    QFETCH(QString, titleEnd);
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    // Start from the other language, so the choice is what carries over.
    setSavedLanguage(dir, russian ? 0 : 1);
    WindowRecorder recorder;
    {
        auto first = startWindow(dir, recorder);
        if (russian)
            first->mnu_rus_Click();
        else
            first->mnu_eng_Click();
        QCOMPARE(menuTitle(*first, "mnu_File"), menu);
    }
    auto second = startWindow(dir, recorder);
    QCOMPARE(menuTitle(*second, "mnu_File"), menu);
    QVERIFY2(second->windowTitle().endsWith(titleEnd), qPrintable(second->windowTitle()));
    QVERIFY(recorder.messages.isEmpty());
}

void TestStartup::unknownLanguageLeavesInitialCaptions() {
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    setSavedLanguage(dir, 2);
    WindowRecorder recorder;
    auto window = startWindow(dir, recorder);
    QCOMPARE(window->windowTitle(), QStringLiteral("Brindlewick"));
    QCOMPARE(menuTitle(*window, "mnu_Setting"), QString::fromUtf8("Настройки"));
    QCOMPARE(window->yesButton()->text(), QString::fromUtf8("Да"));

    window->mnu_eng_Click();
    QCOMPARE(menuTitle(*window, "mnu_Setting"), QStringLiteral("Setting"));
    QVERIFY(window->windowTitle().endsWith(QStringLiteral("December4,  2026")));
    QCOMPARE(savedLanguage(dir), qint16(0));
}

void TestStartup::newMonthMakesOnlyItsFolder() {
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    WindowRecorder recorder;
    startWindow(dir, recorder, QDateTime(QDate(2026, 11, 30), QTime(23, 0)));
    const QString year = dir + QStringLiteral("2026");
    QCOMPARE(QDir(year).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("November")});
    startWindow(dir, recorder, QDateTime(QDate(2026, 12, 1), QTime(8, 0)));
    startWindow(dir, recorder, QDateTime(QDate(2026, 12, 2), QTime(8, 0)));
    QStringList months = QDir(year).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    months.sort();
    QCOMPARE(months, (QStringList{QStringLiteral("December"), QStringLiteral("November")}));
    QVERIFY(recorder.messages.isEmpty());
}

void TestStartup::folderThatCannotBeMadeIsReportedOnce() {
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    // The results directory is a file, so no year folder can be made inside it.
    const QString blocker = root.path() + QStringLiteral("/not-a-folder");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    {
        app::SettingsFile settings(dir, &fixedNow);
        settings.openAtStartup();
        settings.record().Results_Dir = blocker + QStringLiteral("/");
        QVERIFY(settings.Save_Settings());
    }
    WindowRecorder recorder;
    auto window = startWindow(dir, recorder);
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY2(recorder.messages.first().contains(blocker + QStringLiteral("/2026")),
             qPrintable(recorder.messages.first()));
    // Start-up went on: captions set, port tried.
    QCOMPARE(window->yesButton()->text(), QStringLiteral("Yes"));
    QCOMPARE(window->portController().lampColour(), serial::kLampFailed);
}

void TestStartup::failedSaveIsReported() {
    QTemporaryDir root;
    const QString dir = settingsDirIn(root);
    WindowRecorder recorder;
    auto window = startWindow(dir, recorder);
    // A folder where the file should be: no save can replace it, whoever runs the test.
    const QString path = window->settings().filePath();
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));

    window->mnu_rus_Click();
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY2(recorder.messages.first().contains(path), qPrintable(recorder.messages.first()));
    QVERIFY(recorder.messages.first().startsWith(QString::fromUtf8("Не удалось")));
    // The choice holds for this run.
    QCOMPARE(menuTitle(*window, "mnu_File"), QString::fromUtf8("Меню"));
    QCOMPARE(window->settings().record().Language_Flag, qint16(1));
}

void TestStartup::focusStartsOnYes() {
    QTemporaryDir root;
    WindowRecorder recorder;
    auto window = startWindow(settingsDirIn(root), recorder);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->focusWidget(), window->yesButton());
    // Enter answers the question; with the port missing, that opens the port panel.
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    QVERIFY(!window->frame3()->isVisible());
    QVERIFY(window->frame2()->isVisible());
}

QTEST_MAIN(TestStartup)
#include "tst_ui_startup.moc"
