// Run control and the port panel, with ports 1 and 2 on a pseudo-terminal and port 3 missing.

#include "window_fixture.h"

#include "tests/serial/pty_pair.h"

#include "core/loop_session.h"
#include "protocol/polling_cycle.h"
#include "ui/board_widget.h"
#include "ui/lamp_widget.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using protocol::Column;

namespace {

const QByteArray kCommand0ToAddress1 = QByteArray::fromHex("FFFFFFFF0281000083");
const char* const kMissing = "/nonexistent/corvantelis-port";
// A caption on the board that only a clear takes away.
const QString kAnswered = QStringLiteral("2606A1B2C3");

void choose(ui::Form1& window, const QString& port) {
    QComboBox* combo = window.combo1();
    combo->setCurrentIndex(combo->findText(port));
    emit combo->activated(combo->currentIndex());
}

QString statusLine(const ui::Form1& window) {
    return window.portStatusLabel()->accessibleName();
}

} // namespace

class TestRunControl : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_pty = std::make_unique<PtyPair>();
        QVERIFY(m_pty->isValid());
        qputenv("CORVANTELIS_COM1", m_pty->slavePath().toLocal8Bit());
        qputenv("CORVANTELIS_COM2", m_pty->slavePath().toLocal8Bit());
        qputenv("CORVANTELIS_COM3", kMissing);
    }

    void operatorActions_data() {
        QTest::addColumn<bool>("portWorks"); // port 1 at start-up
        QTest::addColumn<QString>("action"); // the answer to the question, then a port chosen
        QTest::addColumn<bool>("polling");
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<bool>("lampGreen");
        QTest::newRow("Yes, green lamp: polling") << true << "Yes" << true << false << true;
        QTest::newRow("Yes, red lamp: the port panel") << false << "Yes" << false << false << false;
        QTest::newRow("No: stopped") << true << "No" << false << true << true;
        QTest::newRow("Yes, then the open port again") << true << "Yes 1" << false << true << true;
        QTest::newRow("Yes, then a missing port") << true << "Yes 3" << false << true << false;
    }

    void operatorActions() {
        QFETCH(bool, portWorks);
        QFETCH(QString, action);
        QFETCH(bool, polling);
        QFETCH(bool, cleared);
        QFETCH(bool, lampGreen);
        if (!portWorks)
            qputenv("CORVANTELIS_COM1", kMissing);
        auto window = startWindow(settingsDirIn(m_root), m_recorder);
        window->board().setCaption(Column::Label1, 7, kAnswered);
        const bool yes = action.startsWith("Yes");
        (yes ? window->yesButton() : window->noButton())->click();
        QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), yes && portWorks ? 2000 : 50),
                 yes && portWorks ? kCommand0ToAddress1 : QByteArray());
        if (action.size() > 3)
            choose(*window, action.mid(4));

        QVERIFY(!window->findChild<QGroupBox*>("Frame3")->isVisibleTo(window.get()));
        QCOMPARE(window->command1()->text(), action == "Yes" ? "STOP" : "RUN");
        QCOMPARE(window->cycle().isRunning(), polling);
        QCOMPARE(window->frame2()->isVisibleTo(window.get()), !portWorks);
        QCOMPARE(window->board().caption(Column::Label1, 7).isEmpty(), cleared);
        // The numbers run control compares: 49152 green, 255 red.
        QCOMPARE(window->shape1()->colour(), lampGreen ? 49152u : 255u);
        // A start holds DTR on, for this port and the next.
        QCOMPARE(window->serialPort().dtrEnable(), yes && portWorks);
        // The button starts only from "RUN" with a green lamp; a working port mends a failed one.
        window->command1()->click();
        QCOMPARE(window->cycle().isRunning(), !polling && lampGreen);
        choose(*window, "2");
        QCOMPARE(window->shape1()->colour(), serial::kLampOpen);
    }

    // The devices the system reports follow the numbered ports, refreshed whenever the list
    // opens. Choosing one is a port change to that device, remembered for the next start; the
    // panel says which device is in use, or why it is not.
    void discoveredDevices() {
        QTemporaryDir byId;
        const QString stable = byId.filePath("usb-HART_Modem_A1-if00-port0");
        QVERIFY(QFile::link(m_pty->slavePath(), stable));
        QList<serial::DiscoveredPort> system;
        QTemporaryDir root;
        WindowRecorder recorder;
        ui::Form1Environment env = testEnvironment(recorder);
        env.discoverPorts = [&system] { return system; };
        QStringList remembered;
        env.rememberDevice = [&remembered](const QString& path) { remembered << path; };
        const std::unique_ptr<ui::Form1> owned = makeWindow(settingsDirIn(root), env);
        ui::Form1& window = *owned;
        window.Form_Load();
        window.mnu_ComPort_Click();
        QCOMPARE(statusLine(window), "In use: " + m_pty->slavePath());

        // Plugged in after start-up: offered the next time the list opens.
        system = {{m_pty->slavePath(), "HART modem", "", 0x0403, 0x6001, stable},
                  {"/nonexistent/ttyUSB7", "", "", std::nullopt, std::nullopt, ""}};
        window.combo1()->showPopup();
        window.combo1()->hidePopup();
        QStringList items;
        for (int i = 0; i < window.combo1()->count(); ++i)
            items << window.combo1()->itemText(i);
        QCOMPARE(items, (QStringList{"1", "2", "3", "4",
                                     m_pty->slavePath() + " \u2014 HART modem (0403:6001)", stable,
                                     "/nonexistent/ttyUSB7", "Network (HART-IP)\u2026"}));

        choose(window, stable);
        QCOMPARE(window.shape1()->colour(), serial::kLampOpen);
        QCOMPARE(statusLine(window), "In use: " + stable);
        choose(window, "/nonexistent/ttyUSB7");
        QCOMPARE(window.shape1()->colour(), serial::kLampFailed);
        QCOMPARE(statusLine(window), "No such device: /nonexistent/ttyUSB7");
        window.mnu_rus_Click(); // the line follows the language
        QCOMPARE(statusLine(window),
                 QString::fromUtf8("Нет такого устройства: /nonexistent/ttyUSB7"));
        // Showing the panel again puts the device's path in the box, as it does a number.
        window.mnu_ComPort_Click();
        window.mnu_ComPort_Click();
        QCOMPARE(window.combo1()->currentText(), "/nonexistent/ttyUSB7");
        choose(window, "2");
        QCOMPARE(remembered, (QStringList{stable, "/nonexistent/ttyUSB7", ""}));
        QCOMPARE(window.shape1()->colour(), serial::kLampOpen);
    }

    // The device given or remembered is opened at start-up instead of port 1; a remembered one
    // that is missing leaves port 1 to be tried, and the panel says so.
    void startupDevice_data() {
        QTest::addColumn<bool>("given");
        QTest::newRow("given or remembered, present") << true;
        QTest::newRow("remembered, missing") << false;
    }
    void startupDevice() {
        QFETCH(bool, given);
        qputenv("CORVANTELIS_COM1",
                given ? QByteArray(kMissing) : m_pty->slavePath().toLocal8Bit());
        QTemporaryDir root; // English, whatever other tests chose
        WindowRecorder recorder;
        ui::Form1Environment env = testEnvironment(recorder);
        (given ? env.startupDevice : env.missingDevice) = given ? m_pty->slavePath() : "/gone";
        const std::unique_ptr<ui::Form1> owned = makeWindow(settingsDirIn(root), env);
        ui::Form1& window = *owned;
        window.Form_Load();
        QCOMPARE(window.shape1()->colour(), serial::kLampOpen);
        QCOMPARE(statusLine(window),
                 given ? "In use: " + m_pty->slavePath()
                       : "The device chosen last time is missing: /gone\nIn use: " +
                             m_pty->slavePath());
        QCOMPARE(recorder.messages, QStringList());
    }

    void stopAndStartAgain() {
        auto window = startWindow(settingsDirIn(m_root), m_recorder);
        QPushButton* command1 = window->command1();
        window->board().setCaption(Column::Label1, 7, kAnswered);
        // The button reads "STOP" from start-up, so the first click stops even before Yes.
        command1->click();
        QVERIFY(window->board().caption(Column::Label1, 7).isEmpty());
        command1->click();
        QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);

        // Once the poll has moved on, a stop and a start begin again at address 1.
        window->cycle().Timer3_Timer();
        QCOMPARE(window->session().protocolState().Hart_Address, qint16(2));
        m_pty->readMaster(kCommand0ToAddress1.size(), 2000);
        command1->click();
        command1->click();
        QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);

        window->mnu_Exit_Click();
        QVERIFY(!window->cycle().isRunning());
    }

    void portPanelToggles() {
        auto window = startWindow(settingsDirIn(m_root), m_recorder);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QGroupBox* panel = window->frame2();
        window->mnu_ComPort_Click();
        // Typing into the box is not a port change, nor is Return after it, even on a listed
        // number; showing the panel puts the port in use back.
        window->board().setCaption(Column::Label1, 7, kAnswered);
        window->combo1()->setFocus();
        for (const char* typed : {"3", "1"}) {
            window->combo1()->setEditText(typed);
            QTest::keyClick(window->combo1()->lineEdit(), Qt::Key_Return);
            QTest::keyClick(window->combo1()->lineEdit(), Qt::Key_Enter);
        }
        QCOMPARE(window->portController().commPort(), qint16(1));
        QCOMPARE(window->board().caption(Column::Label1, 7), kAnswered);
        QCOMPARE(window->command1()->text(), "STOP");
        window->mnu_ComPort_Click();
        QVERIFY(!panel->isVisible());
        window->mnu_ComPort_Click();
        QCOMPARE(window->combo1()->currentText(), QStringLiteral("1"));

        // A click on a label of the panel is not a click on its background.
        QTest::mouseClick(panel->findChild<QLabel*>("Label24"), Qt::LeftButton);
        QVERIFY(panel->isVisible());
        const QPoint background(panel->width() - 3, panel->height() - 3);
        QTest::mouseClick(panel, Qt::LeftButton, {}, background);
        QVERIFY(!panel->isVisible());
        // And its close button.
        window->mnu_ComPort_Click();
        QTest::mouseClick(panel->findChild<QPushButton*>("Command2"), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
    }

private:
    std::unique_ptr<PtyPair> m_pty;
    QTemporaryDir m_root;
    WindowRecorder m_recorder;
};

QTEST_MAIN(TestRunControl)
#include "tst_ui_run_control.moc"
