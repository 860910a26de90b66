// The board widget, and the window without a working port: captions and title lines, start-up,
// the results panel.

#include "window_fixture.h"

#include "app/paths.h"
#include "field/field_model.h"
#include "protocol/polling_cycle.h"
#include "serial/port_status_text.h"
#include "ui/board_widget.h"
#include "ui/instrument_view.h"
#include "ui/lamp_widget.h"
#include "ui/user_messages.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QtTest>

using protocol::Column;

namespace {

const QString kTitleStart = QStringLiteral("Brindlewick       Corvantelis v.1.03               ");

// What the controls named in `names` (separated by blanks) show, joined by "|": a menu's or
// frame's title, otherwise the text.
QString captionsOf(const QObject& window, const QString& names) {
    QStringList captions;
    for (const QString& name : names.split(' ')) {
        const QObject* control = window.findChild<QObject*>(name);
        const char* property = control && control->property("title").isValid() ? "title" : "text";
        captions << (control ? control->property(property).toString() : "<missing>");
    }
    return captions.join('|');
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

    void board() {
        QCOMPARE(ui::Twips(120.0).px(255), 21);
        QCOMPARE(ui::Twips(0.0).px(1440), 96); // no screen: 96 dpi
        ui::BoardWidget board(ui::Twips(96.0));
        QCOMPARE(board.size(), QSize(985, 493));
        QCOMPARE(board.cell(Column::Label6, 0)->geometry(), QRect(15, 81, 25, 17));
        QCOMPARE(board.cell(Column::Label17, 15)->geometry(), QRect(874, 441, 81, 17));
        QCOMPARE(board.caption(Column::Label6, 15), QStringLiteral("15"));
        QCOMPARE(board.heading(Column::Label13)->text(), QStringLiteral("I, mA"));
        // Out of range is no cell at all, not someone else's.
        QVERIFY(!board.cell(Column::Label1, 16) && !board.cell(Column::Label1, -1));

        // The colour is painted on the cell itself, and only there.
        QLabel* cell = board.cell(Column::Label14, 5);
        board.setColour(Column::Label14, 5, protocol::kPendingColour);
        QCOMPARE(cell->palette().color(QPalette::Window), QColor(128, 128, 255));
        board.setColour(Column::Label14, 5, protocol::kAnsweredColour);
        QCOMPARE(cell->palette().color(QPalette::Window), QColor(192, 255, 192));
        QCOMPARE(board.colour(Column::Label14, 4), protocol::kIdleColour);
        board.setColour(Column::Label14, 5, protocol::kIdleColour);
        const QPalette system = QApplication::palette();
        QCOMPARE(cell->palette().color(QPalette::Window), system.color(QPalette::Base));
        QCOMPARE(cell->palette().color(QPalette::WindowText), system.color(QPalette::Text));

        // The widest identifier fits its cell, whichever face stands in for the board's own; a
        // screen reader hears the caption, the column and the row.
        const QLabel* id = board.cell(Column::Label1, 3);
        board.setCaption(Column::Label1, 3, QStringLiteral("A43E0B5C7E"));
        QVERIFY(QFontMetrics(id->font()).horizontalAdvance(id->text()) <=
                id->contentsRect().width());
        QCOMPARE(id->accessibleName(), QStringLiteral("A43E0B5C7E"));
        QCOMPARE(id->accessibleDescription(), QStringLiteral("ID: row 03"));
        // A short caption is drawn at the board's own size again.
        board.setCaption(Column::Label1, 3, QStringLiteral("1"));
        QCOMPARE(id->font().pointSizeF(), 9.75);
    }

    // What a screen reader hears: an empty cell is blank, never the board's title; a filled one
    // its caption, literally; the question and the panels their captions, in the language in
    // force.
    void whatTheScreenReaderHears() {
        const auto name = [](QObject* object) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
            return a ? a->text(QAccessible::Name) : QString("<none>");
        };
        for (ui::Form1* window : {m_english.get(), m_russian.get()}) {
            ui::BoardWidget& board = window->board();
            QLabel* cell = board.cell(Column::Label2, 7);
            for (const QString caption : {"PT-101", "", "<B>PT</B"}) {
                board.setCaption(Column::Label2, 7, caption);
                QCOMPARE(name(cell).trimmed(), caption);
            }
            QCOMPARE(name(window->findChild<QGroupBox*>("Frame3")),
                     window->findChild<QGroupBox*>("Frame3")->title());
            QCOMPARE(name(window->frame2()), window->frame2()->title());
            QCOMPARE(name(window->basisFrame1()), window->basisFrame1()->title());
        }
        QCOMPARE(name(m_russian->basisFrame1()), QString::fromUtf8("Настройки программы"));
    }

    // Every reason a port did not open has words of its own in each language, naming the
    // device; a refusal points to the dialout group.
    void portStatusWords() {
        using serial::OpenFailure;
        serial::PortStatus status;
        status.state = serial::PortStatus::State::Failed;
        status.devicePath = "/dev/ttyUSB3";
        status.systemText = "Input/output error";
        for (const qint16 flag : {qint16(0), qint16(1)}) {
            QSet<QString> seen;
            for (OpenFailure failure :
                 {OpenFailure::NoSuchDevice, OpenFailure::PermissionDenied, OpenFailure::Busy,
                  OpenFailure::NotSerial, OpenFailure::Other}) {
                status.failure = failure;
                const QString text = serial::portStatusText(status, flag);
                QVERIFY2(text.contains("/dev/ttyUSB3") && !seen.contains(text), qPrintable(text));
                QCOMPARE(text.contains("dialout"), failure == OpenFailure::PermissionDenied);
                QCOMPARE(text.contains("Input/output error"), failure == OpenFailure::Other);
                // Russian words for Russian, none for English.
                QCOMPARE(text.contains(QRegularExpression("[а-яА-Я]")), flag == 1);
                seen << text;
            }
        }
    }

    // A capture is begun from the menu once a file is chosen and ended by choosing it again; a
    // file that cannot be made is said, in the language in force, and nothing is captured.
    void captureFromTheMenu() {
        QTemporaryDir root;
        WindowRecorder recorder;
        ui::Form1Environment env = testEnvironment(recorder);
        QString chosen;
        QStringList asked;
        env.pickCaptureFile = [&](const QString& title) {
            asked << title;
            return chosen;
        };
        auto window = makeWindow(settingsDirIn(root), env);
        window->Form_Load();
        QAction* item = window->captureItem();
        QCOMPARE(item->text(), QString::fromUtf8("Capture to file…"));
        item->trigger(); // nothing chosen
        QVERIFY(!item->isChecked() && !window->session().lineCapture());
        chosen = root.filePath("line.pcapng");
        item->trigger();
        QVERIFY(item->isChecked() && window->session().lineCapture());
        QVERIFY(QFileInfo(chosen).size() > 0); // its header blocks
        item->trigger();
        QVERIFY(!item->isChecked() && !window->session().lineCapture());
        window->mnu_rus_Click();
        chosen = root.filePath("no such folder/line.pcapng");
        item->trigger();
        QVERIFY(!item->isChecked() && !window->session().lineCapture());
        QCOMPARE(asked.last(), QString::fromUtf8("Записывать обмен в файл"));
        QCOMPARE(recorder.messages.size(), 1);
        QVERIFY2(recorder.messages[0].startsWith(QString::fromUtf8("Файл записи обмена ")),
                 qPrintable(recorder.messages[0]));
    }

    // The master this program is comes from its start, is changed from the Setting menu, is
    // named by every request after and said in the port panel in the language in force; the
    // operator's choice is kept for the next start.
    void masterRoleFromTheMenu() {
        QTemporaryDir root;
        WindowRecorder recorder;
        ui::Form1Environment env = testEnvironment(recorder);
        env.secondaryMaster = true;
        QList<bool> kept;
        env.rememberMaster = [&kept](bool secondary) { kept << secondary; };
        auto window = makeWindow(settingsDirIn(root), env);
        window->Form_Load();
        QVERIFY(window->masterSecondaryItem()->isChecked());
        QCOMPARE(window->cycle().masterRole(), protocol::MasterRole::Secondary);
        QCOMPARE(window->portRoleLabel()->text(),
                 "This program is the secondary master on the line.");
        QCOMPARE(kept, QList<bool>{}); // what it started with is no choice

        // A primary master heard: said below the role, no box.
        emit window->session().otherMasterHeard(protocol::MasterRole::Primary);
        QCOMPARE(window->portRoleLabel()->text(),
                 "This program is the secondary master on the line.\n"
                 "Another master on the line: primary.");
        QCOMPARE(recorder.messages, QStringList());

        window->masterPrimaryItem()->trigger();
        // Now two primaries: the line says what to do, and a primary heard again is a box.
        QVERIFY(window->portRoleLabel()->text().endsWith(
            "Make this program the secondary master (Setting → Master: secondary, or --master "
            "secondary)."));
        emit window->session().otherMasterHeard(protocol::MasterRole::Primary);
        QCOMPARE(recorder.messages.size(), 1);
        QVERIFY(recorder.messages[0].startsWith("Another primary master on the line"));
        QVERIFY(!window->masterSecondaryItem()->isChecked());
        QCOMPARE(window->cycle().masterRole(), protocol::MasterRole::Primary);
        QCOMPARE(kept, QList<bool>{false});
        window->mnu_rus_Click();
        QCOMPARE(window->masterPrimaryItem()->text(), QString::fromUtf8("Ведущий: первичный"));
        QCOMPARE(window->masterSecondaryItem()->text(), QString::fromUtf8("Ведущий: вторичный"));
        QVERIFY(window->portRoleLabel()->text().startsWith(
            QString::fromUtf8("Эта программа на линии — первичный ведущий.\nНа линии другой "
                              "ведущий, первичный, как и эта программа")));
    }

    // Tag and descriptor may carry '<', '>' and '/': a cell shows them as they are.
    void captionsAreNeverMarkup() {
        ui::BoardWidget board(ui::Twips(96.0));
        QLabel* cell = board.cell(Column::Label3, 2);
        board.setCaption(Column::Label3, 2, "<H1>PUMP</H1>");
        // One line of the cell's own font; a heading would be twice as tall.
        const QFontMetrics metrics(cell->font());
        QVERIFY(cell->sizeHint().height() <= metrics.height() + 2 * cell->frameWidth() + 2);
        QVERIFY(cell->sizeHint().width() >= metrics.horizontalAdvance("<H1>PUMP</H1>"));
    }

    // At 96 dpi the window is its designed size, with or without a panel open. At 144 dpi it
    // would be 1496 pixels wide: on a 1280 x 800 screen it takes what room there is, and every
    // part of it can be scrolled into view.
    // What must hold whatever fonts the machine has: the window fits its screen; where the
    // screen has room for everything it shows everything, unscrolled, at the board's designed
    // width; opening the port panel makes it taller, not scrolled. Heights follow the installed
    // fonts (menu bar, panel lines) and are not pinned.
    void windowFitsTheScreen_data() {
        QTest::addColumn<qreal>("dpi");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<bool>("roomForAll");
        QTest::newRow("96 dpi, no limit") << 96.0 << QRect() << true;
        QTest::newRow("96 dpi, 1280 x 800") << 96.0 << QRect(0, 0, 1280, 800) << true;
        QTest::newRow("144 dpi, 1280 x 800") << 144.0 << QRect(0, 0, 1280, 800) << false;
    }
    void windowFitsTheScreen() {
        QFETCH(qreal, dpi);
        QFETCH(QRect, screen);
        QFETCH(bool, roomForAll);
        QTemporaryDir root;
        WindowRecorder recorder;
        ui::Form1Environment env = testEnvironment(recorder);
        env.logicalDpi = dpi;
        if (!screen.isEmpty())
            env.availableScreen = [screen] { return screen; };
        const std::unique_ptr<ui::Form1> owned = makeWindow(settingsDirIn(root), env);
        ui::Form1& window = *owned;
        window.Form_Load();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QScrollArea* scroll = window.findChild<QScrollArea*>("Form1_Scroll");
        // The board area's width in twips: the frame, its left offset and the margin.
        const int boardAreaWidth = ui::Twips(dpi).px(90 + 14775 + 90);
        int closedHeight = 0;
        for (const bool panelOpen : {false, true}) {
            if (panelOpen)
                window.mnu_ComPort_Click();
            const auto fits = [&] {
                const QSize framed = window.frameGeometry().size();
                return screen.isEmpty() ||
                       (framed.width() <= screen.width() && framed.height() <= screen.height());
            };
            const auto allShown = [&] {
                return scroll->widget()->size() == scroll->widget()->sizeHint() &&
                       scroll->viewport()->width() >= scroll->widget()->width() &&
                       scroll->viewport()->height() >= scroll->widget()->height() &&
                       window.width() == boardAreaWidth;
            };
            const QString size = QString("%1x%2").arg(window.width()).arg(window.height());
            QTRY_VERIFY2(fits() && (!roomForAll || allShown()), qPrintable(size));
            if (!panelOpen)
                closedHeight = window.height();
            else if (roomForAll)
                QVERIFY2(window.height() > closedHeight, qPrintable(size));
        }
        // The far corner of the board and the port panel below it can be brought into view.
        QTRY_COMPARE(scroll->widget()->size(), scroll->widget()->sizeHint()); // the panel is in
        for (QWidget* part : {static_cast<QWidget*>(window.board().cell(Column::Label17, 15)),
                              static_cast<QWidget*>(window.frame2())}) {
            scroll->ensureWidgetVisible(part, 0, 0);
            const QRect shown(part->mapTo(scroll->viewport(), QPoint()), part->size());
            QVERIFY2(scroll->viewport()->rect().contains(shown), qPrintable(part->objectName()));
        }
        QCOMPARE(window.board().width(), ui::Twips(dpi).px(14775)); // the board keeps its size
    }

    void firstStart() {
        const QString controls = "mnu_File mnu_Exit mnu_Setting mnu_lanq Basis_Frame1 Basis_Label1 "
                                 "Basis_Command1 Frame3 Command4_0 Command4_1 mnu_FileSave "
                                 "Command2 Frame2 Label27 Label28 Command3";
        QCOMPARE(captionsOf(*m_english, controls),
                 "Menu|Exit|Setting|Language|Program Settings|Directory to save the results|Save|"
                 "Run a scan devices?|Yes|No|Directory|Exit|Start/Stop|"
                 "The answer received from the device|Length of the response|Exit");
        QCOMPARE(
            captionsOf(*m_russian, controls),
            "Меню|Выход|Настройка|Язык|Настройки программы|Директория для хранения результатов|"
            "Изменить|Запустить сканирование устройств ?|Да|Нет|Директории|Закрыть|Start/Stop|"
            "Ответ принятый от прибора|Длина ответа|Закрыть");
        // The instrument menu, beside the captions the window was designed with.
        QCOMPARE(captionsOf(*m_english, "mnu_Instrument mnu_Instrument_5"),
                 "Instrument|Address 05");
        QCOMPARE(captionsOf(*m_russian, "mnu_Instrument mnu_Instrument_5"),
                 QString::fromUtf8("Прибор|Адрес 05"));
        QSignalSpy asked(m_english.get(), &ui::Form1::instrumentRequested);
        m_english->findChild<QAction*>("mnu_Instrument_5")->trigger();
        QCOMPARE(asked.takeFirst(), QVariantList{5});
        QCOMPARE(m_english->windowTitle(), kTitleStart + "Today: December4,  2026");
        // The regional settings here are English, whatever the interface language.
        QCOMPARE(m_russian->windowTitle(),
                 kTitleStart + QString::fromUtf8("Сегодня: 4  Декабря  2026 года  Friday"));

        const QString dir = settingsDirIn(m_englishRoot);
        ui::Form1& window = *m_english;
        QCOMPARE(QFileInfo(dir + "Corvantelis v.1.03.eng").size(), 4500);
        QVERIFY(QFileInfo(dir + "2026/December").isDir());
        QVERIFY(!window.windowIcon().isNull());
        // The keyboard starts on Yes, so Enter answers the question.
        QCOMPARE(window.focusWidget(), window.yesButton());

        // Shown, hidden, shown again with the text box refreshed; it does not cover the question.
        QGroupBox* panel = window.basisFrame1();
        window.mnu_FileSave_Click();
        window.basisText1()->setText("typed, never read back");
        window.mnu_FileSave_Click();
        QVERIFY(!panel->isVisibleTo(&window));
        window.mnu_FileSave_Click();
        QVERIFY(panel->isVisibleTo(&window));
        QCOMPARE(window.basisText1()->text(), dir);
        const QRect question(window.findChild<QGroupBox*>("Frame3")->mapTo(&window, QPoint()),
                             window.findChild<QGroupBox*>("Frame3")->size());
        QVERIFY(!question.intersects(QRect(panel->mapTo(&window, QPoint()), panel->size())));
        window.Command3_Click();
        QVERIFY(!panel->isVisibleTo(&window));
    }

    void unknownLanguageLeavesInitialCaptions() {
        QTemporaryDir root;
        const QString dir = settingsDirIn(root);
        editSettings(dir, [](app::Settings_Record& record) { record.Language_Flag = 2; });
        auto window = startWindow(dir, m_recorder);
        QCOMPARE(window->windowTitle(), QStringLiteral("Brindlewick"));
        QCOMPARE(captionsOf(*window, "mnu_Setting Command4_0"), "Настройки|Да");
        window->mnu_eng_Click();
        QCOMPARE(captionsOf(*window, "mnu_Setting"), "Setting");
        QCOMPARE(window->windowTitle(), m_english->windowTitle());
        QCOMPARE(saved(dir).Language_Flag, qint16(0));
    }

    // One rule decides the language of every text: 0 English, 1 Russian, and any other value
    // (only from an edited file) Russian throughout, as the captions the window was drawn with.
    void oneLanguageForEveryText_data() {
        QTest::addColumn<qint16>("flag");
        QTest::addColumn<QString>("setting"); // the Setting menu's caption
        QTest::addColumn<bool>("english");
        QTest::newRow("0") << qint16(0) << "Setting" << true;
        QTest::newRow("1") << qint16(1) << QString::fromUtf8("Настройка") << false;
        QTest::newRow("2") << qint16(2) << QString::fromUtf8("Настройки") << false;
    }
    void oneLanguageForEveryText() {
        QFETCH(qint16, flag);
        QFETCH(QString, setting);
        QFETCH(bool, english);
        QTemporaryDir root;
        const QString dir = settingsDirIn(root);
        const QString blocker = root.filePath("not-a-folder");
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        editSettings(dir, [&](app::Settings_Record& record) {
            record.Language_Flag = flag;
            record.Results_Dir = blocker + "/";
        });
        WindowRecorder recorder;
        auto window = startWindow(dir, recorder);
        QCOMPARE(captionsOf(*window, "mnu_Setting"), setting);
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.messages[0].startsWith("The folder could not be created"), english);
        QCOMPARE(window->findChild<QAction*>("mnu_Record")->text(),
                 english ? "Record measurements" : QString::fromUtf8("Записывать измерения"));
        serial::PortStatus open;
        open.state = serial::PortStatus::State::Open;
        open.devicePath = "/dev/ttyUSB0";
        QCOMPARE(serial::portStatusText(open, flag).startsWith("In use"), english);
        QCOMPARE(ui::saveFailedMessage(flag, "x: y").startsWith("The settings file"), english);
        field::FieldModel model;
        ui::InstrumentView view(model, 1, flag);
        QCOMPARE(view.stateLine()->text() == "Address 01: no instrument answers here.", english);
    }

    void failuresAreReported() {
        QTemporaryDir root;
        const QString dir = settingsDirIn(root);
        // The results directory is a file, so no year folder can be made inside it.
        const QString blocker = root.filePath("not-a-folder");
        QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
        editSettings(dir,
                     [&](app::Settings_Record& record) { record.Results_Dir = blocker + "/"; });
        WindowRecorder recorder;
        auto window = startWindow(dir, recorder);
        QVERIFY2(recorder.messages.size() == 1 && recorder.messages[0].contains(blocker + "/2026"),
                 qPrintable(recorder.messages.join('\n')));
        // Start-up went on: captions set, port tried.
        QCOMPARE(window->yesButton()->text(), QStringLiteral("Yes"));
        QCOMPARE(window->shape1()->colour(), serial::kLampFailed);

        // A folder where the settings file should be: no save can replace it, whoever runs the
        // test. The failure is told in the language just chosen, and the choice holds.
        const QString path = window->settings().filePath();
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        window->mnu_rus_Click();
        QVERIFY2(recorder.messages.size() == 2 && recorder.messages[1].startsWith("Не удалось") &&
                     recorder.messages[1].contains(path),
                 qPrintable(recorder.messages.join('\n')));
        QCOMPARE(captionsOf(*window, "mnu_File"), "Меню");

        // Every start-up failure in one message: a file where the settings folder should be, so
        // neither the folder, nor the settings file, nor the results folders in it can be made.
        QTemporaryDir blocked;
        QVERIFY(QFile(blocked.filePath("Corvantelis v.1.03")).open(QIODevice::WriteOnly));
        WindowRecorder many;
        startWindow(settingsDirIn(blocked), many);
        QVERIFY2(many.messages.size() == 1 && many.messages[0].count("could not be created") == 2 &&
                     many.messages[0].contains("could not be saved"),
                 qPrintable(many.messages.join("\n--\n")));

        // A damaged settings file is set aside without a message box, but not without a word.
        QTemporaryDir other;
        const QString damaged = settingsDirIn(other);
        QVERIFY(QDir().mkpath(damaged));
        QFile file(damaged + "Corvantelis v.1.03.eng");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("damaged") == 7);
        file.close();
        WindowRecorder quiet;
        startWindow(damaged, quiet);
        QCOMPARE(quiet.messages, QStringList());
        QVERIFY2(quiet.notes.size() == 1 && quiet.notes[0].contains(".eng.bad-20261204-1020"),
                 qPrintable(quiet.notes.join('\n')));
    }

    void choosingAFolder_data() {
        QTest::addColumn<QString>("picked");   // what the picker returns
        QTest::addColumn<QString>("expected"); // the results directory afterwards; "" = unchanged
        const QString sep = app::pathSeparator();
        const QString fits = "/" + QString(496, QLatin1Char('x'));
        QTest::newRow("root keeps one separator") << sep << sep;
        QTest::newRow("cancelled") << QString() << QString();
        QTest::newRow("498 bytes just fit") << fits << fits + sep;
        QTest::newRow("499 bytes are refused") << fits + "y" << QString();
    }

    void choosingAFolder() {
        QFETCH(QString, picked);
        QFETCH(QString, expected);
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
        // Only a refused choice is told.
        QCOMPARE(recorder.messages.size(), picked.isEmpty() || !expected.isEmpty() ? 0 : 1);
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
