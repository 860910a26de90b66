// The window without a working port: captions and title lines, start-up, the results panel.

#include "window_fixture.h"

#include "app/paths.h"
#include "ui/lamp_widget.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QString kTitleStart = QStringLiteral("Brindlewick       Corvantelis v.1.03               ");

// What the named controls show: a menu's or frame's title, otherwise the text.
QStringList captionsOf(const QObject& window, const QStringList& names) {
    QStringList captions;
    for (const QString& name : names) {
        const QObject* control = window.findChild<QObject*>(name);
        const QVariant title = control ? control->property("title") : QVariant();
        const QVariant text = control ? control->property("text") : QStringLiteral("<missing>");
        captions << (title.isValid() ? title : text).toString();
    }
    return captions;
}

// The settings as the next start reads them.
app::Settings_Record saved(const QString& dir) {
    app::SettingsFile file(dir, &fixedNow);
    file.Load_Settings();
    return file.record();
}

template <typename Edit> void editSettings(const QString& dir, Edit edit) {
    app::SettingsFile file(dir, &fixedNow);
    file.openAtStartup();
    edit(file.record());
    QVERIFY(file.Save_Settings());
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qputenv("CORVANTELIS_COM1", "/nonexistent/corvantelis-port1");
        m_english = startWindow(settingsDirIn(m_englishRoot), m_recorder);
        // Russian is chosen in one run and must hold in the next.
        startWindow(settingsDirIn(m_russianRoot), m_recorder)->mnu_rus_Click();
        m_russian = startWindow(settingsDirIn(m_russianRoot), m_recorder);
        QCOMPARE(m_recorder.messages, QStringList());
    }

    void captions() {
        const QStringList controls = {"mnu_File",     "mnu_Exit",     "mnu_Setting",    "mnu_lanq",
                                      "Basis_Frame1", "Basis_Label1", "Basis_Command1", "Frame3",
                                      "Command4_0",   "Command4_1",   "mnu_FileSave",   "Command2",
                                      "Frame2",       "Label27",      "Label28",        "Command3"};
        QCOMPARE(
            captionsOf(*m_english, controls),
            QStringList({"Menu", "Exit", "Setting", "Language", "Program Settings",
                         "Directory to save the results", "Save", "Run a scan devices?", "Yes",
                         "No", "Directory", "Exit", "Start/Stop",
                         "The answer received from the device", "Length of the response", "Exit"}));
        QCOMPARE(
            captionsOf(*m_russian, controls),
            QStringList({"Меню", "Выход", "Настройка", "Язык", "Настройки программы",
                         "Директория для хранения результатов", "Изменить",
                         "Запустить сканирование устройств ?", "Да", "Нет", "Директории", "Закрыть",
                         "Start/Stop", "Ответ принятый от прибора", "Длина ответа", "Закрыть"}));
    }

    void firstStartAndRestart() {
        const QString dir = settingsDirIn(m_englishRoot);
        ui::Form1& window = *m_english;
        QCOMPARE(QFileInfo(dir + "Corvantelis v.1.03.eng").size(), 4500);
        QVERIFY(QFileInfo(dir + "2026/December").isDir());
        QCOMPARE(window.windowTitle(), kTitleStart + "Today: December4,  2026");
        // The regional settings here are English, whatever the interface language.
        QCOMPARE(m_russian->windowTitle(),
                 kTitleStart + QString::fromUtf8("Сегодня: 4  Декабря  2026 года  Friday"));
        QVERIFY(!window.windowIcon().isNull());
        // The question is up, the panels are not, and nothing is polled.
        QVERIFY(!window.frame2()->isVisibleTo(&window));
        QVERIFY(!window.basisFrame1()->isVisibleTo(&window));
        QCOMPARE(window.command1()->text(), QStringLiteral("STOP"));
        QVERIFY(!window.answerTimer().isArmed());

        // The keyboard starts on Yes, so Enter answers the question.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.focusWidget(), window.yesButton());

        // The results panel: shown, hidden, shown again with the text box refreshed; it does not
        // cover the question.
        QGroupBox* panel = window.basisFrame1();
        window.mnu_FileSave_Click();
        window.basisText1()->setText("typed, never read back");
        window.mnu_FileSave_Click();
        QVERIFY(!panel->isVisible());
        window.mnu_FileSave_Click();
        QVERIFY(panel->isVisible());
        QCOMPARE(window.basisText1()->text(), dir);
        QCOMPARE(window.settings().record().Results_Dir, dir);
        const QRect question(window.frame3()->mapTo(&window, QPoint()), window.frame3()->size());
        QVERIFY(!question.intersects(QRect(panel->mapTo(&window, QPoint()), panel->size())));
        window.Command3_Click();
        QVERIFY(!panel->isVisible());

        // With the port missing, Yes opens the port panel.
        QTest::keyClick(window.yesButton(), Qt::Key_Return);
        QVERIFY(!window.frame3()->isVisible());
        QVERIFY(window.frame2()->isVisible());
    }

    void unknownLanguageLeavesInitialCaptions() {
        QTemporaryDir root;
        const QString dir = settingsDirIn(root);
        editSettings(dir, [](app::Settings_Record& record) { record.Language_Flag = 2; });
        auto window = startWindow(dir, m_recorder);
        QCOMPARE(window->windowTitle(), QStringLiteral("Brindlewick"));
        QCOMPARE(captionsOf(*window, {"mnu_Setting", "Command4_0"}),
                 QStringList({"Настройки", "Да"}));

        window->mnu_eng_Click();
        QCOMPARE(captionsOf(*window, {"mnu_Setting"}), QStringList{"Setting"});
        QCOMPARE(window->windowTitle(), m_english->windowTitle());
        QCOMPARE(saved(dir).Language_Flag, qint16(0));
    }

    void newMonthMakesOnlyItsFolder() {
        QTemporaryDir root;
        const QString dir = settingsDirIn(root);
        startWindow(dir, m_recorder, QDateTime(QDate(2026, 11, 30), QTime(23, 0)));
        startWindow(dir, m_recorder, QDateTime(QDate(2026, 12, 1), QTime(8, 0)));
        QStringList months = QDir(dir + "2026").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        months.sort();
        QCOMPARE(months, QStringList({"December", "November"}));
        QCOMPARE(m_recorder.messages, QStringList());
    }

    void failuresAreReported() {
        QTemporaryDir root;
        const QString dir = settingsDirIn(root);
        // The results directory is a file, so no year folder can be made inside it.
        const QString blocker = root.filePath("not-a-folder");
        QFile blockerFile(blocker);
        QVERIFY(blockerFile.open(QIODevice::WriteOnly));
        editSettings(dir,
                     [&](app::Settings_Record& record) { record.Results_Dir = blocker + "/"; });
        WindowRecorder recorder;
        auto window = startWindow(dir, recorder);
        QCOMPARE(recorder.messages.size(), 1);
        QVERIFY2(recorder.messages.last().contains(blocker + "/2026"),
                 qPrintable(recorder.messages[0]));
        // Start-up went on: captions set, port tried.
        QCOMPARE(window->yesButton()->text(), QStringLiteral("Yes"));
        QCOMPARE(window->shape1()->colour(), serial::kLampFailed);

        // A folder where the settings file should be: no save can replace it, whoever runs the
        // test.
        const QString path = window->settings().filePath();
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        window->mnu_rus_Click();
        QCOMPARE(recorder.messages.size(), 2);
        QVERIFY2(recorder.messages.last().startsWith(QString::fromUtf8("Не удалось")) &&
                     recorder.messages.last().contains(path),
                 qPrintable(recorder.messages.last()));
        // The choice holds for this run.
        QCOMPARE(captionsOf(*window, {"mnu_File"}), QStringList{"Меню"});
    }

    void choosingAFolder_data() {
        QTest::addColumn<QString>("picked");   // what the picker returns
        QTest::addColumn<QString>("expected"); // the results directory afterwards; "" = unchanged
        QTest::addColumn<int>("messages");
        const QString sep = app::pathSeparator();
        const QString fits = "/" + QString(496, QLatin1Char('x'));
        QTest::newRow("without separator") << "/srv/loop results"
                                           << "/srv/loop results" + sep << 0;
        QTest::newRow("root keeps one separator") << sep << sep << 0;
        QTest::newRow("cancelled") << QString() << QString() << 0;
        QTest::newRow("498 bytes just fit") << fits << fits + sep << 0;
        QTest::newRow("499 bytes are refused") << fits + "y" << QString() << 1;
    }

    void choosingAFolder() {
        QFETCH(QString, picked);
        QFETCH(QString, expected);
        QFETCH(int, messages);
        QTemporaryDir root;
        const QString dir = settingsDirIn(root);
        WindowRecorder recorder;
        auto window = startWindow(dir, recorder);
        window->mnu_FileSave_Click();
        recorder.pickerAnswer = picked;
        window->Basis_Command1_Click();
        QCOMPARE(recorder.pickerTitles,
                 QStringList{QString::fromUtf8("Выберите директорию для хранения результата:")});
        QCOMPARE(recorder.pickerRegims, QList<qint32>{0});
        QCOMPARE(recorder.messages.size(), messages);
        const QString now = expected.isEmpty() ? dir : expected;
        QCOMPARE(window->basisText1()->text(), now);
        QCOMPARE(saved(dir).Results_Dir, now);
    }

private:
    QTemporaryDir m_englishRoot, m_russianRoot;
    WindowRecorder m_recorder;
    std::unique_ptr<ui::Form1> m_english, m_russian;
};

QTEST_MAIN(TestWindow)
#include "tst_ui_window.moc"
