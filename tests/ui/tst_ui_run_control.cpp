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
const char* kMissing = "/nonexistent/corvantelis-port";

void chooseFromList(ui::Form1& window, const QString& entry) {
    QComboBox* combo = window.combo1();
    const int index = combo->findText(entry);
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Marks a row of the board as if an instrument had answered there.
void fillRow(ui::BoardWidget& board, int row) {
    board.setCaption(Column::Label1, row, QStringLiteral("2606A1B2C3"));
    board.setColour(Column::Label1, row, protocol::kAnsweredColour);
    board.setCaption(Column::Label14, row, QStringLiteral("12,5"));
    board.setColour(Column::Label14, row, protocol::kAnsweredColour);
}

void verifyCleared(const ui::BoardWidget& board, int row) {
    QCOMPARE(board.caption(Column::Label1, row), QString());
    QCOMPARE(board.caption(Column::Label14, row), QString());
    QCOMPARE(board.colour(Column::Label1, row), protocol::kIdleColour);
    QCOMPARE(board.colour(Column::Label14, row), protocol::kIdleColour);
    QCOMPARE(board.caption(Column::Label6, row), QStringLiteral("%1").arg(row, 2, 10, QChar('0')));
}

} // namespace

class TestRunControl : public QObject {
    Q_OBJECT
private slots:
    void init();
    void yesWithGreenLamp();
    void yesWithRedLamp();
    void noStopsAndClears();
    void firstClickOnStop();
    void startAfterStopBeginsAtAddress1();
    void answerShowsWithPanelHidden();
    void choosingAPort_data();
    void choosingAPort();
    void portPanelToggles();
    void exitStopsThePoll();

private:
    std::unique_ptr<PtyPair> m_pty;
    QTemporaryDir m_root;
    WindowRecorder m_recorder;
};

void TestRunControl::init() {
    m_pty = std::make_unique<PtyPair>();
    QVERIFY(m_pty->isValid());
    qputenv("CORVANTELIS_COM1", m_pty->slavePath().toLocal8Bit());
    qputenv("CORVANTELIS_COM2", m_pty->slavePath().toLocal8Bit());
    qputenv("CORVANTELIS_COM3", kMissing);
    m_recorder = WindowRecorder();
}

void TestRunControl::yesWithGreenLamp() {
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    QCOMPARE(window->shape1()->colour(), serial::kLampOpen);
    window->yesButton()->click();
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));
    QVERIFY(!window->frame3()->isVisibleTo(window.get()));
    QVERIFY(!window->frame2()->isVisibleTo(window.get()));
    QVERIFY(window->cycle().isRunning());
    QVERIFY(window->answerTimer().isArmed());
    QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);
    // Row 1 waits for its answer.
    QCOMPARE(window->board().colour(Column::Label1, 1), protocol::kPendingColour);
}

void TestRunControl::yesWithRedLamp() {
    qputenv("CORVANTELIS_COM1", kMissing);
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    QCOMPARE(window->shape1()->colour(), serial::kLampFailed);
    window->yesButton()->click();
    QVERIFY(window->frame2()->isVisibleTo(window.get()));
    QVERIFY(!window->frame3()->isVisibleTo(window.get()));
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));
    QVERIFY(!window->cycle().isRunning());
    QVERIFY(!window->answerTimer().isArmed());
    QCOMPARE(window->combo1()->currentText(), QStringLiteral("1"));
}

void TestRunControl::noStopsAndClears() {
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    fillRow(window->board(), 4);
    window->noButton()->click();
    QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
    QVERIFY(!window->frame3()->isVisibleTo(window.get()));
    QVERIFY(!window->cycle().isRunning());
    verifyCleared(window->board(), 4);
    QCOMPARE(m_pty->readMaster(1, 50), QByteArray());
}

void TestRunControl::firstClickOnStop() {
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    fillRow(window->board(), 2);
    window->mnu_ComPort_Click();
    window->command1()->click();
    // The button read "STOP" at start-up, so the first click stops.
    QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
    verifyCleared(window->board(), 2);
    QVERIFY(!window->cycle().isRunning());
    QCOMPARE(m_pty->readMaster(1, 50), QByteArray());
    // The question stays until it is answered.
    QVERIFY(window->frame3()->isVisibleTo(window.get()));

    window->command1()->click();
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));
    QVERIFY(window->cycle().isRunning());
    QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);
}

void TestRunControl::startAfterStopBeginsAtAddress1() {
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    window->yesButton()->click();
    QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);
    // Two more steps without an answer move the poll on to address 3.
    window->cycle().Timer3_Timer();
    window->cycle().Timer3_Timer();
    QCOMPARE(window->protocolState().Hart_Address, qint16(3));
    m_pty->readMaster(2 * kCommand0ToAddress1.size(), 2000);

    window->command1()->click(); // stop
    QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
    QCOMPARE(window->protocolState().Hart_Address, qint16(0));
    window->command1()->click(); // start
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));
    QCOMPARE(m_pty->readMaster(kCommand0ToAddress1.size(), 2000), kCommand0ToAddress1);
}

void TestRunControl::answerShowsWithPanelHidden() {
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    window->yesButton()->click();
    m_pty->readMaster(kCommand0ToAddress1.size(), 2000);
    QVERIFY(!window->frame2()->isVisibleTo(window.get()));
    QVERIFY(m_pty->writeMaster(QByteArray::fromHex("FFFFFFFFFF060100")));
    QTest::qWait(50);
    window->cycle().Timer3_Timer();
    QCOMPARE(window->text1()->text(), QStringLiteral("8"));
    QCOMPARE(window->text3()->toPlainText(), QStringLiteral(" FF FF FF FF FF 06 01 00"));
}

void TestRunControl::choosingAPort_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<quint32>("lamp");
    QTest::newRow("the open port again") << QStringLiteral("1") << quint32(serial::kLampOpen);
    QTest::newRow("another working port") << QStringLiteral("2") << quint32(serial::kLampOpen);
    QTest::newRow("a port that does not exist")
        << QStringLiteral("3") << quint32(serial::kLampFailed);
}

void TestRunControl::choosingAPort() {
    QFETCH(QString, entry);
    QFETCH(quint32, lamp);
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    window->yesButton()->click();
    m_pty->readMaster(kCommand0ToAddress1.size(), 2000);
    fillRow(window->board(), 7);
    window->mnu_ComPort_Click();

    chooseFromList(*window, entry);
    QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
    QVERIFY(!window->cycle().isRunning());
    QVERIFY(!window->answerTimer().isArmed());
    verifyCleared(window->board(), 7);
    QCOMPARE(window->shape1()->colour(), protocol::WinColour(lamp));
    QCOMPARE(window->portController().commPort(), qint16(entry.toInt()));

    // A start needs the green lamp.
    window->command1()->click();
    QCOMPARE(window->cycle().isRunning(), lamp == serial::kLampOpen);
    QCOMPARE(window->command1()->text(),
             lamp == serial::kLampOpen ? QStringLiteral("STOP") : QStringLiteral("RUN"));

    // A failed port is left by choosing a working one.
    chooseFromList(*window, QStringLiteral("1"));
    QCOMPARE(window->shape1()->colour(), serial::kLampOpen);
}

void TestRunControl::portPanelToggles() {
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QGroupBox* panel = window->frame2();
    window->mnu_ComPort_Click();
    QVERIFY(panel->isVisible());
    // Typing into the box is not a port change; showing the panel puts the port in use back.
    window->combo1()->setEditText(QStringLiteral("3"));
    QCOMPARE(window->portController().commPort(), qint16(1));
    window->Command2_Click();
    QVERIFY(!panel->isVisible());
    window->mnu_ComPort_Click();
    QCOMPARE(window->combo1()->currentText(), QStringLiteral("1"));

    // A click on a label of the panel is not a click on its background.
    QLabel* com = panel->findChild<QLabel*>(QStringLiteral("Label24"));
    QTest::mouseClick(com, Qt::LeftButton, {}, QPoint(2, 2));
    QVERIFY(panel->isVisible());
    const QPoint background(panel->width() - 3, panel->height() - 3);
    QCOMPARE(panel->childAt(background), nullptr);
    QTest::mouseClick(panel, Qt::LeftButton, {}, background);
    QVERIFY(!panel->isVisible());
    window->mnu_ComPort_Click();
    window->mnu_ComPort_Click();
    QVERIFY(!panel->isVisible());
}

void TestRunControl::exitStopsThePoll() {
    auto window = startWindow(settingsDirIn(m_root), m_recorder);
    window->yesButton()->click();
    QVERIFY(window->answerTimer().isArmed());
    window->mnu_Exit_Click();
    QVERIFY(!window->answerTimer().isArmed());
    QVERIFY(!window->cycle().isRunning());
}

QTEST_MAIN(TestRunControl)
#include "tst_ui_run_control.moc"
