// The polling cycle on the real serial port against hart-loop-sim in its own process: the loop
// is read, the simulator is killed and started again on the same link, as a modem is pulled
// out and plugged back, and polling goes on by itself.

#include "field/field_model.h"
#include "helpers.h"
#include "protocol/board.h"
#include "protocol/polling_cycle.h"
#include "protocol/protocol_state.h"
#include "protocol/qt_cycle_ports.h"
#include "serial/port_controller.h"
#include "serial/serial_port.h"
#include "simulated_loop.h"

#include <QFile>
#include <QTest>

using namespace protocol;

namespace {

bool defaultLoopIdentified(const MemoryBoard& board) {
    return board.caption(Column::Label1, 1) == "3C51102031" &&
           board.caption(Column::Label1, 2) == "A43E0B5C7E" &&
           board.caption(Column::Label1, 5) == "1F92004D21";
}

int requestsHeard(const QString& logPath) {
    QFile log(logPath);
    return log.open(QIODevice::ReadOnly) ? int(log.readAll().count(" RX ")) : 0;
}

} // namespace

class LoopPollTest : public QObject {
    Q_OBJECT

private slots:
    void pollingOutlivesAnUnpluggedModem();
    void instrumentTakenOffTheLoop();
};

void LoopPollTest::pollingOutlivesAnUnpluggedModem() {
    SimulatedLoop loop;
    QVERIFY(!loop.start().isEmpty());
    serial::SerialPort port;
    QtEventYield yield;
    QStringList messages;
    serial::PortController controller(port, yield, [&](const QString& m) { messages << m; });
    controller.Open_Port();
    QCOMPARE(controller.lampColour(), serial::kLampOpen);

    ProtocolState state;
    MemoryBoard board;
    QtAnswerTimer timer(120); // the simulator answers at once; no need to wait 600 ms a step
    PollingCycle cycle(state, board, port, timer, yield);
    cycle.start();
    QTRY_VERIFY_WITH_TIMEOUT(defaultLoopIdentified(board), 20000);

    loop.kill();
    QTRY_COMPARE_WITH_TIMEOUT(controller.lampColour(), serial::kLampFailed, 3000);
    // Nobody answers while it is away: the identities go as their rows are polled again.
    QTRY_VERIFY_WITH_TIMEOUT(board.caption(Column::Label1, 5).isEmpty(), 10000);
    QVERIFY(cycle.isRunning() && !port.isOpen());

    QVERIFY(!loop.start({"--log", loop.path("back.log")}).isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(controller.lampColour(), serial::kLampOpen, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(defaultLoopIdentified(board), 20000);
    QVERIFY(requestsHeard(loop.path("back.log")) > 0);
    QCOMPARE(messages, QStringList());

    // A stop holds: nothing is written after it.
    cycle.stop();
    const int heard = requestsHeard(loop.path("back.log"));
    QTest::qWait(300);
    QCOMPARE(requestsHeard(loop.path("back.log")), heard);
    QVERIFY(loop.stop());
}

// An instrument taken off the loop in the middle of a run: the next command 0 to its address
// goes unanswered, and in that same step its whole row empties and goes idle. Commands 13 and 3
// are never sent to it again, so nothing it said before may stay on the board as if it were
// live. Its neighbour is polled on as before, and the requests stay those of the pass.
void LoopPollTest::instrumentTakenOffTheLoop() {
    SimulatedLoop loop;
    QFile config(loop.path("loop.json"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(R"({"instruments": [
        {"address": 3, "hartRevision": 5, "manufacturer": 38, "deviceType": 6,
         "deviceId": "000305", "tag": "FT-305", "variables": [{"units": 19, "value": 11.607}],
         "faults": {"leaveAfter": 3}},
        {"address": 4, "hartRevision": 5, "manufacturer": 38, "deviceType": 6,
         "deviceId": "000404", "tag": "PT-404", "variables": [{"units": 12, "value": 250}]}]})");
    config.close();
    QVERIFY(
        !loop.start({"--config", config.fileName(), "--log", loop.path("wire.log")}, 2).isEmpty());
    serial::SerialPort port;
    QtEventYield yield;
    serial::PortController controller(port, yield, [](const QString&) {});
    controller.Open_Port();
    QCOMPARE(controller.lampColour(), serial::kLampOpen);

    ProtocolState state;
    MemoryBoard board;
    QtAnswerTimer timer(250); // room for a loaded machine: every answer here must be caught
    PollingCycle cycle(state, board, port, timer, yield);
    field::FieldModel model;
    connect(&cycle, &PollingCycle::answerDecoded, &model, &field::FieldModel::takeAnswer);
    const auto row = [&board](int r) { return ptest::cellText(board, r, kAllColumns); };
    cycle.start();

    // First pass: FT-305 answers commands 0, 13 and 3, then leaves.
    QTRY_VERIFY_WITH_TIMEOUT(board.colour(Column::Label14, 3) == kAnsweredColour, 10000);
    QVERIFY2(row(3).contains("FT-305  a|") && row(3).contains("|11.61a|"), qPrintable(row(3)));
    QVERIFY(model.instrument(3).answering);

    // Second pass: its command 0 goes unanswered and the row is blank and idle at once.
    QTRY_VERIFY_WITH_TIMEOUT(model.instrument(3).identity && !model.instrument(3).answering, 15000);
    QCOMPARE(row(3), "03i|i|i|i|i|i|i|i|i|i|i");
    QVERIFY(model.instrument(3).silentSinceMs > 0);
    // Its neighbour, polled on: tag still shown, values answered again after it.
    QTRY_VERIFY_WITH_TIMEOUT(
        board.colour(Column::Label14, 4) == kAnsweredColour && state.Hart_Address == 5, 5000);
    QVERIFY2(row(4).contains("PT-404  a|"), qPrintable(row(4)));
    QCOMPARE(row(3), "03i|i|i|i|i|i|i|i|i|i|i");
    cycle.stop();
    QVERIFY(loop.stop());

    // On the wire: after FT-305 left, only command 0 went to address 3; PT-404 kept its
    // commands 13 and 3 after each of its command 0.
    QFile log(loop.path("wire.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QStringList requests;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const int rx = line.indexOf(" RX ");
        if (rx < 0)
            continue;
        const QByteArray frame =
            QByteArray::fromHex(line.mid(rx + 4, line.indexOf(" check") - rx - 4));
        const QByteArray plain = frame.mid(frame.lastIndexOf('\xFF') + 1);
        const bool isLong = quint8(plain.at(0)) == 0x82;
        requests << QStringLiteral("%1>%2")
                        .arg(int(quint8(plain.at(isLong ? 6 : 2))))
                        .arg(isLong ? QString::number(quint8(plain.at(5)) == 0x05 ? 3 : 4)
                                    : QString::number(quint8(plain.at(1)) & 0x3F));
    }
    const qsizetype left = requests.indexOf("3>3"); // FT-305's one command 3
    QVERIFY(left > 0);
    QCOMPARE(requests.mid(left - 2, 6), (QStringList{"0>3", "13>3", "3>3", "0>4", "13>4", "3>4"}));
    const QStringList after = requests.mid(left + 1);
    QVERIFY(!after.contains("13>3") && !after.contains("3>3"));
    QVERIFY(after.count("0>3") >= 1);
    const qsizetype second = after.indexOf("0>4", 4);
    QVERIFY(second > 0);
    QCOMPARE(after.mid(second, 3), (QStringList{"0>4", "13>4", "3>4"}));
}

QTEST_GUILESS_MAIN(LoopPollTest)
#include "tst_loop_poll.moc"
