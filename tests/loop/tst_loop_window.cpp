// The program's window, started with Yes, polling hart-loop-sim over a pseudo-terminal.

#include "tests/ui/window_fixture.h"

#include "protocol/polling_cycle.h"
#include "ui/board_widget.h"
#include "ui/field_layer.h"
#include "ui/instrument_view.h"
#include "ui/trend_plot.h"

#include "simulated_loop.h"
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
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
    ui::FieldLayer fieldLayer(*window);
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

    // The instrument view of row 1, opened from the board, follows what the pass received, in
    // the language in force.
    QTest::mouseDClick(board.cell(Column::Label2, 1), Qt::LeftButton);
    QCOMPARE(fieldLayer.views().size(), 1);
    ui::InstrumentView& view = *fieldLayer.views().front();
    QCOMPARE(view.address(), 1);
    QCOMPARE(view.stateLine()->text(), "Address 01: the instrument answers.");
    QCOMPARE(view.shownValue("long address"), "3C51102031");
    QCOMPARE(view.shownValue("tag"), "PT-101  ");
    QVERIFY2(view.shownValue("PV").endsWith(" kPa"), qPrintable(view.shownValue("PV")));
    QVERIFY(view.shownValue("loop current").endsWith(" mA"));
    QVERIFY(view.shownValue("QV") == "62.5 %");
    QVERIFY(!view.currentTrend().points().isEmpty());
    QVERIFY(view.explanation()->rowCount() > 10);
    window->mnu_rus_Click();
    QCOMPARE(view.stateLine()->text(), QString::fromUtf8("Адрес 01: прибор отвечает."));
    QCOMPARE(view.windowTitle(), QString::fromUtf8("Прибор 01 \u2014 PT-101"));
    QCOMPARE(view.explanation()->item(1, 1)->text(), QString::fromUtf8("разделитель"));
    // The dump in the port panel is explained in its tooltip: here the answer of address 1 to
    // the next pass's command 0.
    QTest::qWait(60);
    window->cycle().Timer3_Timer();
    QVERIFY(window->text3()->toolTip().contains(QString::fromUtf8("контрольный байт")));

    // The first click on STOP ends the run and clears the board.
    window->Command1_Click();
    QCOMPARE(window->command1()->text(), QStringLiteral("RUN"));
    QCOMPARE(board.caption(Column::Label1, 1), QString());
    QVERIFY(!window->answerTimer().isArmed());
    // Nothing is known once the board is cleared.
    QCOMPARE(view.stateLine()->text(), QString::fromUtf8("Адрес 01: прибор не отвечает."));
    QVERIFY(loop.stop());
}

QTEST_MAIN(LoopWindowTest)
#include "tst_loop_window.moc"
