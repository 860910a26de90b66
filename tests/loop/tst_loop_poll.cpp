// The whole polling cycle on the real serial port, against hart-loop-sim in its own process.

#include "protocol/board.h"
#include "protocol/polling_cycle.h"
#include "protocol/protocol_state.h"
#include "protocol/qt_cycle_ports.h"
#include "serial/port_controller.h"
#include "serial/serial_port.h"
#include "simulated_loop.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace protocol;

namespace {

// The simulator answers at once with --fast, so the test waits a fraction of the 600 ms the
// monitor allows a real loop.
class ShortAnswerTimer final : public AnswerTimer {
public:
    ShortAnswerTimer() {
        m_timer.setInterval(120);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { m_handler(); });
    }
    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }
    void arm() override { m_timer.start(); }
    void disarm() override { m_timer.stop(); }
    bool isArmed() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};

// Runs pending events and photographs the board at the yield that follows the decoding of a
// chosen step's answer (every step yields three times: after the flush, after the write and
// after decoding).
class SnapshotYield final : public EventYield {
public:
    SnapshotYield(const MemoryBoard& board, int afterStep) : m_board(board), m_at(3 * afterStep) {}
    void yield() override {
        QCoreApplication::processEvents();
        if (++m_count == m_at)
            snapshot = m_board;
    }
    std::optional<MemoryBoard> snapshot;

private:
    const MemoryBoard& m_board;
    int m_at;
    int m_count = 0;
};

// A row as text: each cell's caption ("#" for a number in the value columns), then its colour
// (a answered, i idle, p pending); the row number first.
QString rowText(const MemoryBoard& board, int row) {
    QStringList cells;
    for (Column column : kAllColumns) {
        QString caption = board.caption(column, row).trimmed();
        bool isNumber = false;
        caption.toDouble(&isNumber);
        if (isNumber && column >= Column::Label13)
            caption = QStringLiteral("#");
        const WinColour colour = board.colour(column, row);
        if (column != Column::Label6)
            caption += colour == kAnsweredColour ? "/a" : colour == kIdleColour ? "/i" : "/p";
        else
            caption = colour == kAnsweredColour ? "a" : colour == kIdleColour ? "i" : "p";
        cells << caption;
    }
    return cells.join(QLatin1Char('|'));
}

// Requests as the simulator logged them, each as "<command>@<polling address>".
QStringList loggedRequests(const QString& logPath) {
    const QMap<QByteArray, int> rowOf = {{QByteArray::fromHex("3C51102031"), 1},
                                         {QByteArray::fromHex("A43E0B5C7E"), 2},
                                         {QByteArray::fromHex("1F92004D21"), 5}};
    QFile log(logPath);
    QStringList requests;
    for (QByteArray line :
         log.open(QIODevice::ReadOnly) ? log.readAll().split('\n') : QList<QByteArray>{}) {
        if (!line.contains(" RX "))
            continue;
        QByteArray frame =
            QByteArray::fromHex(line.mid(line.indexOf(" RX ") + 4).split('c').first());
        while (frame.startsWith('\xFF'))
            frame.remove(0, 1);
        const bool isLong = quint8(frame.at(0)) == 0x82;
        requests << QStringLiteral("%1@%2")
                        .arg(quint8(frame.at(isLong ? 6 : 2)))
                        .arg(isLong ? rowOf.value(frame.mid(1, 5), -1) : quint8(frame.at(1)));
    }
    return requests;
}

} // namespace

class LoopPollTest : public QObject {
    Q_OBJECT

private slots:
    void onePassReadsTheDefaultLoop();
};

void LoopPollTest::onePassReadsTheDefaultLoop() {
    SimulatedLoop loop;
    QVERIFY(!loop.start({"--log", loop.path("sim.log")}).isEmpty());
    // Three instruments: a pass is 16 commands 0 plus 13 and 3 for each.
    constexpr int kStepsPerPass = 16 + 2 * 3;

    serial::SerialPort port;
    QtEventYield portYield;
    QStringList messages;
    serial::PortController controller(port, portYield,
                                      [&messages](const QString& text) { messages << text; });
    controller.Open_Port();
    QCOMPARE(controller.lampColour(), serial::kLampOpen);
    QCOMPARE(messages, QStringList());

    ProtocolState state;
    MemoryBoard board;
    ShortAnswerTimer timer;
    SnapshotYield yield(board, kStepsPerPass);
    PollingCycle cycle(state, board, port, timer, yield);
    cycle.setLocale(QLocale::c());
    QElapsedTimer clock;
    clock.start();
    cycle.start();
    QTRY_VERIFY_WITH_TIMEOUT(yield.snapshot.has_value(), 20000);
    cycle.stop();
    qInfo("one pass of %d steps took %lld ms", kStepsPerPass, clock.elapsed());

    // The requests, in the order the cycle must send them.
    QStringList expected = {"0@1", "13@1", "3@1", "0@2",  "13@2", "3@2",
                            "0@3", "0@4",  "0@5", "13@5", "3@5"};
    for (int address = 6; address < 16; ++address)
        expected << QStringLiteral("0@%1").arg(address);
    expected << "0@0";
    QCOMPARE(loggedRequests(loop.path("sim.log")).mid(0, kStepsPerPass), expected);

    const QString dotted = "00 00/a|#/a|#/a|#/a";
    for (int row = 0; row < kRowCount; ++row) {
        QString expectedRow = QStringLiteral("i|/i|/i|/i|/i|/i|/i|/i|/i|/i|/i");
        if (row == 1)
            expectedRow =
                "a|3C51102031/a|PT-101/a|DISCHARGE PRESS/a|14.05.2019/a|" + dotted + "|#/a|#/a";
        if (row == 2)
            expectedRow =
                "a|A43E0B5C7E/a|TT-202/a|REACTOR INLET/a|03.11.2021/a|" + dotted + "|#/a|#/a";
        if (row == 5) // loop current and two variables only
            expectedRow =
                "a|1F92004D21/a|FT-305/a|COOLING WATER/a|20.02.2023/a|" + dotted + "|/i|/i";
        QCOMPARE(rowText(*yield.snapshot, row), expectedRow);
    }

    // The stop held: nothing was written after it.
    const int requestsSoFar = loggedRequests(loop.path("sim.log")).size();
    QTest::qWait(400);
    QCOMPARE(loggedRequests(loop.path("sim.log")).size(), requestsSoFar);
    QCOMPARE(state.Hart_Address, qint16(0));
    QVERIFY(loop.stop());
}

QTEST_GUILESS_MAIN(LoopPollTest)
#include "tst_loop_poll.moc"
