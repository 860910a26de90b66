// Run control and the port panel, with ports 1 and 2 on a pseudo-terminal and port 3 missing.

#include "window_fixture.h"

#include "tests/serial/pty_pair.h"

#include "protocol/polling_cycle.h"
#include "ui/board_widget.h"
#include "ui/lamp_widget.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using protocol::Column;

namespace {

const QByteArray kCommand0ToAddress1 = QByteArray::fromHex("FFFFFFFF0201000003");
const char* const kMissing = "/nonexistent/corvantelis-port";

// Marks row 7 as if an instrument had answered there.
void fillRow(ui::BoardWidget& board) {
    board.setCaption(Column::Label1, 7, QStringLiteral("2606A1B2C3"));
    board.setColour(Column::Label14, 7, protocol::kAnsweredColour);
}

bool rowCleared(const ui::BoardWidget& board) {
    return board.caption(Column::Label1, 7).isEmpty() && board.caption(Column::Label6, 7) == "07" &&
           board.colour(Column::Label14, 7) == protocol::kIdleColour;
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

    void answeringTheQuestion_data() {
        QTest::addColumn<bool>("portWorks");
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes, green lamp: polling") << true << true;
        QTest::newRow("Yes, red lamp: the port panel") << false << true;
        QTest::newRow("No: stopped") << true << false;
    }

    void answeringTheQuestion() {
        QFETCH(bool, portWorks);
        QFETCH(bool, yes);
        if (!portWorks)
            qputenv("CORVANTELIS_COM1", kMissing);
        auto window = startWindow(settingsDirIn(m_root), m_recorder);
        QCOMPARE(window->shape1()->colour(), portWorks ? serial::kLampOpen : serial::kLampFailed);
        fillRow(window->board());

        (yes ? window->yesButton() : window->noButton())->click();
        const bool polling = yes && portWorks;
        QVERIFY(!window->frame3()->isVisibleTo(window.get()));
        QCOMPARE(window->command1()->text(), yes ? QStringLiteral("STOP") : QStringLiteral("RUN"));
        QCOMPARE(window->cycle().isRunning(), polling);
        QCOMPARE(window->answerTimer().isArmed(), polling);
        QCOMPARE(window->frame2()->isVisibleTo(window.get()), !portWorks);
        QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), polling ? 2000 : 50),
                 polling ? kCommand0ToAddress1 : QByteArray());
        // Only a stop clears the board; a start marks row 1 pending.
        QCOMPARE(rowCleared(window->board()), !yes);
        QCOMPARE(window->board().colour(Column::Label1, 1) == protocol::kPendingColour, polling);
    }

    void stopAndStartAgain() {
        auto window = startWindow(settingsDirIn(m_root), m_recorder);
        QPushButton* command1 = window->command1();
        fillRow(window->board());
        // The button reads "STOP" from start-up, so the first click stops even before Yes.
        command1->click();
        QCOMPARE(command1->text(), QStringLiteral("RUN"));
        QVERIFY(rowCleared(window->board()));
        QVERIFY(window->frame3()->isVisibleTo(window.get()));
        command1->click();
        QCOMPARE(command1->text(), QStringLiteral("STOP"));
        QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);

        // The answer shows though the port panel is hidden.
        QVERIFY(m_pty->writeMaster(QByteArray::fromHex("FFFFFFFFFF060100")));
        QTest::qWait(50);
        window->cycle().Timer3_Timer();
        QCOMPARE(window->text1()->text(), QStringLiteral("8"));
        QCOMPARE(window->text3()->toPlainText(), QStringLiteral(" FF FF FF FF FF 06 01 00"));

        // Once the poll has moved on, a stop and a start begin again at address 1.
        window->cycle().Timer3_Timer();
        QCOMPARE(window->protocolState().Hart_Address, qint16(3));
        m_pty->readMaster(2 * kCommand0ToAddress1.size(), 2000);
        command1->click();
        command1->click();
        QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);

        window->mnu_Exit_Click();
        QVERIFY(!window->answerTimer().isArmed());
        QVERIFY(!window->cycle().isRunning());
    }

    void choosingAPort_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("opens");
        QTest::newRow("the open port again") << "1" << true;
        QTest::newRow("another working port") << "2" << true;
        QTest::newRow("a port that does not exist") << "3" << false;
    }

    void choosingAPort() {
        QFETCH(QString, entry);
        QFETCH(bool, opens);
        auto window = startWindow(settingsDirIn(m_root), m_recorder);
        const auto choose = [combo = window->combo1()](const QString& text) {
            combo->setCurrentIndex(combo->findText(text));
            emit combo->activated(combo->currentIndex());
        };
        window->yesButton()->click();
        fillRow(window->board());

        choose(entry);
        QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
        QVERIFY(!window->cycle().isRunning());
        QVERIFY(!window->answerTimer().isArmed());
        QVERIFY(rowCleared(window->board()));
        QCOMPARE(window->shape1()->colour(), opens ? serial::kLampOpen : serial::kLampFailed);
        QCOMPARE(window->portController().commPort(), qint16(entry.toInt()));
        // A start needs the green lamp.
        window->command1()->click();
        QCOMPARE(window->cycle().isRunning(), opens);
        // A failed port is left by choosing a working one.
        choose("1");
        QCOMPARE(window->shape1()->colour(), serial::kLampOpen);
    }

    void portPanelToggles() {
        auto window = startWindow(settingsDirIn(m_root), m_recorder);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QGroupBox* panel = window->frame2();
        window->mnu_ComPort_Click();
        // Typing into the box is not a port change; showing the panel puts the port in use back.
        window->combo1()->setEditText("3");
        QCOMPARE(window->portController().commPort(), qint16(1));
        window->Command2_Click();
        QVERIFY(!panel->isVisible());
        window->mnu_ComPort_Click();
        QCOMPARE(window->combo1()->currentText(), QStringLiteral("1"));

        // A click on a label of the panel is not a click on its background.
        QTest::mouseClick(panel->findChild<QLabel*>("Label24"), Qt::LeftButton);
        QVERIFY(panel->isVisible());
        const QPoint background(panel->width() - 3, panel->height() - 3);
        QCOMPARE(panel->childAt(background), nullptr);
        QTest::mouseClick(panel, Qt::LeftButton, {}, background);
        QVERIFY(!panel->isVisible());
        window->mnu_ComPort_Click();
        window->mnu_ComPort_Click();
        QVERIFY(!panel->isVisible());
    }

private:
    std::unique_ptr<PtyPair> m_pty;
    QTemporaryDir m_root;
    WindowRecorder m_recorder;
};

QTEST_MAIN(TestRunControl)
#include "tst_ui_run_control.moc"
