// The program's window, started with Yes, polling hart-loop-sim over a pseudo-terminal.

#include "tests/ui/window_fixture.h"

#include "protocol/polling_cycle.h"
#include "ui/board_widget.h"

#include "simulated_loop.h"
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using protocol::Column;

class LoopWindowTest : public QObject {
    Q_OBJECT

private slots:
    void yesShowsTheDefaultLoop();
};

void LoopWindowTest::yesShowsTheDefaultLoop() {
    SimulatedLoop loop;
    QVERIFY(!loop.start().isEmpty());
    WindowRecorder recorder;
    auto window = startWindow(loop.path("settings") + QLatin1Char('/'), recorder);
    window->show();
    QCOMPARE(recorder.messages, QStringList());

    // Enter answers the question: the focus starts on Yes.
    QTest::keyClick(window->yesButton(), Qt::Key_Return);
    QVERIFY(!window->frame3()->isVisible());
    QCOMPARE(window->command1()->text(), QStringLiteral("STOP"));

    // The simulator answers within milliseconds; the test ends each answer wait itself
    // instead of sitting out 600 ms a step. Step 3 is command 3 to address 1.
    constexpr int kStepsPerPass = 16 + 2 * 3;
    QString answerToCommand3;
    QString lengthOfCommand3;
    for (int step = 1; step <= kStepsPerPass; ++step) {
        QTest::qWait(60);
        window->cycle().Timer3_Timer();
        if (step == 3) {
            answerToCommand3 = window->text3()->toPlainText();
            lengthOfCommand3 = window->text1()->text();
        }
    }
    // Five preamble bytes, then the acknowledgement of command 3 with byte count 26.
    QCOMPARE(lengthOfCommand3, QStringLiteral("40"));
    QVERIFY2(answerToCommand3.startsWith(" FF FF FF FF FF 86 3C 51 10 20 31 03 1A 00 00"),
             qPrintable(answerToCommand3));

    // Each instrument's row as the pass left it; the flow meter sends two variables only.
    const ui::BoardWidget& board = window->board();
    for (const auto& [row, tag] : {std::pair{2, "TT-202  "}, {5, "FT-305  "}}) {
        QCOMPARE(board.caption(Column::Label2, row), tag);
        QCOMPARE(board.colour(Column::Label15, row), protocol::kAnsweredColour);
    }
    QCOMPARE(board.caption(Column::Label1, 2), QStringLiteral("A43E0B5C7E"));
    QCOMPARE(board.colour(Column::Label16, 5), protocol::kIdleColour);
    QVERIFY(board.caption(Column::Label1, 3).trimmed().isEmpty());

    // The first click on STOP ends the run and clears the board.
    window->Command1_Click();
    QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
    QCOMPARE(board.caption(Column::Label1, 1), QString());
    QVERIFY(!window->answerTimer().isArmed());
    QVERIFY(loop.stop());
}

QTEST_MAIN(LoopWindowTest)
#include "tst_loop_window.moc"
