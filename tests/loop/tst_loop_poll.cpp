// The polling cycle on the real serial port against hart-loop-sim in its own process: the loop
// is read, the simulator is killed and started again on the same link, as a modem is pulled
// out and plugged back, and polling goes on by itself.

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

QTEST_GUILESS_MAIN(LoopPollTest)
#include "tst_loop_poll.moc"
