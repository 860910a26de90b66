// The polling cycle on a simulated loop: the request frames and their order over whole passes,
// the board after each answer, the receive step, failed reads, and stops at every yield.

#include "cycle_rig.h"
#include "helpers.h"
#include "protocol/polling_cycle.h"
#include "protocol/qt_cycle_ports.h"

#include <QElapsedTimer>

#include <chrono>

#include <QSignalSpy>
#include <QtTest>

#include <utility>

using namespace protocol;
using ptest::hex;
using ptest::kRequest13;
using ptest::kRequest3;
using ptest::Rig;
using ptest::shortRequest;
using ptest::withCheck;

namespace {

const QByteArray kRequest15 = hex("FF FF FF FF FF") + withCheck(hex("82 A6 06 12 34 56 0F 00"));
const QByteArray kRequest33 =
    hex("FF FF FF FF FF") + withCheck(hex("82 A6 06 12 34 56 21 02 00 01"));
const QByteArray kAnswer15 = withCheck(hex("86 A6 06 12 34 56 0F 04 00 00 AA BB"));

} // namespace

class TestProtocolCycle : public QObject {
    Q_OBJECT
private slots:
    void passes_data() {
        QTest::addColumn<bool>("answersAll");
        QTest::newRow("answers all") << true;
        QTest::newRow("answers 0 only") << false;
    }
    void passes() {
        QFETCH(bool, answersAll);
        Rig rig;
        rig.cycle.setLocale(QLocale(QLocale::German));
        rig.board.setCaption(Column::Label1, 0, " "); // a blank identifier is no device
        rig.addDevice(1, answersAll);
        const QString nan = "5,10423550381408E+38a"; // what 7F C0 00 00 shows
        const QString tag = answersAll ? "PT-101  a|TEST DEVICE     a|05.03.2009a" : "i|i|i";
        const QString values = answersAll ? "12,5a|1,23a|23,5a|" + nan + "|" + nan : "i|i|i|i|i";
        const QString id = "01a|2606123456a|";
        // Row 1 once 0, 13 and 3 went out to it, and once the cycle moved on to address 2.
        const QStringList rows{"01p|p| i| i| i|p|i|i|i|i|i", id + "p|p|p|00 00a|i|i|i|i|i",
                               id + tag + "|00 00a|p|p|p|p|p", id + tag + "|00 00a|" + values};
        rig.cycle.start();
        for (const QString& row : rows) {
            QCOMPARE(rig.row(1), row);
            QVERIFY(rig.fire());
        }
        // Next pass: command 0 empties the identifier and status, the rest of the row stays.
        for (int tick = 0; tick < 14; ++tick) // nobody at 3 to 15 and 0
            QVERIFY(rig.fire());
        QCOMPARE(rig.row(1), "01p|p|" + tag + "|p|" + values);
        // The device falls silent: no commands 13 and 3, its identity kept, and nothing of what
        // it said left on the board as if it were still live.
        rig.answers.clear();
        rig.waiting.clear();
        QVERIFY(rig.fire());
        QCOMPARE(rig.row(1), "01i|i|i|i|i|i|i|i|i|i|i");
        QCOMPARE(rig.state.Device_Table[1].Long_Address, hex("26 06 12 34 56"));
        // From address 1 round to 0, with 13 and 3 after 0 to 1 while it answers.
        QList<QByteArray> expected;
        for (int step = 1; step <= 18; ++step) {
            expected << shortRequest(step % 16);
            if (step == 1)
                expected << kRequest13 << kRequest3;
        }
        QCOMPARE(rig.written, expected);
        QCOMPARE(rig.written[0], hex("FF FF FF FF 02 81 00 00 83"));
        QCOMPARE(rig.written[16], hex("FF FF FF FF 02 8F 00 00 8D"));
        // As secondary master from the next request on: the master bit clear.
        rig.cycle.setMasterRole(MasterRole::Secondary);
        QVERIFY(rig.fire());
        QCOMPARE(rig.written.last(), hex("FF FF FF FF 02 03 00 00 01"));
    }

    void receive_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("readFails");
        QTest::addColumn<QByteArray>("stored"); // Rx_Buffer from cell 0; the other cells hold 20
        QTest::newRow("preamble") << hex("FF FF FF FF FF 06 01 00") << false << hex("06 01 00");
        QTest::newRow("preamble only") << hex("FF FF FF") << false << hex("FF FF FF");
        // A failed read is nothing received, not the previous answer again.
        QTest::newRow("read fails") << hex("06 81") << true << QByteArray();
        QByteArray big = hex("FF FF");
        for (int i = 0; i < 1100; ++i) // 255 bytes in, an FF that is no preamble
            big += char(i % 256);
        QTest::newRow("more than 1024") << big << false << big.mid(2, 1024);
    }
    void receive() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, readFails);
        QFETCH(QByteArray, stored);
        Rig rig;
        rig.state.Rx_String = hex("06 01 00"); // what an earlier answer left
        rig.state.Rx_Buffer.fill(0x55);
        rig.answers[shortRequest(1)] = answer;
        QSignalSpy spy(&rig.cycle, &PollingCycle::answerReceived);
        rig.cycle.start();
        rig.failReads = readFails;
        QVERIFY(rig.fire());
        const QByteArray read = readFails ? QByteArray() : answer;
        // Length and " FF FF 06 80": a blank before every byte.
        const QString dump = read.isEmpty() ? "" : " " + read.toHex(' ').toUpper();
        QCOMPARE(spy, (QList<QVariantList>{{int(read.size()), dump}}));
        QList<qint16> cells(kRxBufferSize, kRxFill);
        for (int k = 0; k < stored.size(); ++k)
            cells[k] = qint16(quint8(stored[k]));
        QCOMPARE(QList<qint16>(rig.state.Rx_Buffer.begin(), rig.state.Rx_Buffer.end()), cells);
        QCOMPARE(rig.state.Rx_Stored, stored.size());
        QCOMPARE(rig.written.last(), shortRequest(2));
    }

    // Nothing that runs at a yield can be overtaken by the answer wait's tick.
    void yieldsSeeTheWaitDisarmed() {
        Rig rig;
        rig.addDevice(1);
        QList<bool> armedAtYield;
        rig.onYield = [&] { armedAtYield << rig.armed; };
        rig.cycle.start();
        for (int tick = 0; tick < 4; ++tick) // 0, 13 and 3 to address 1, then 0 to 2
            QVERIFY(rig.fire());
        QCOMPARE(armedAtYield, QList<bool>(2 + 4 * 3, false));
    }

    // The production wait: 600 ms from arming, never early, again while it stays armed, and
    // silent once disarmed. A coarse timer lands its 600 ms on a 100 ms boundary within 5 %, so
    // it is armed 20 ms past such a boundary, where a coarse timer would end 20 ms early.
    void answerTimerWaitsItsInterval() {
        const auto armPastABoundary = [](QtAnswerTimer& timer, QElapsedTimer& clock) {
            using namespace std::chrono;
            while (duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() %
                       100 !=
                   20) {
            }
            clock.start();
            timer.arm();
        };
        QtAnswerTimer timer;
        QCOMPARE(timer.intervalMs(), 600);
        QElapsedTimer clock;
        QList<qint64> ticks;
        timer.setHandler([&] {
            ticks << clock.elapsed();
            timer.disarm();
            if (ticks.size() < 3)
                armPastABoundary(timer, clock); // as the next step does
        });
        armPastABoundary(timer, clock);
        QVERIFY(timer.isArmed());
        QTRY_COMPARE_WITH_TIMEOUT(ticks.size(), 3, 5000);
        QTest::qWait(700);
        QCOMPARE(ticks.size(), 3);
        QVERIFY(!timer.isArmed());
        for (qint64 ms : ticks) {
            QVERIFY2(ms >= 600, qPrintable(QString::number(ms)));
            QVERIFY2(ms < 900, qPrintable(QString::number(ms))); // generous: a loaded machine
        }
    }

    void stopAtYield_data() {
        QTest::addColumn<int>("yieldNo");  // 1, 2: flush and write of the first step; 3: after
        QTest::addColumn<bool>("restart"); // its decoder; 4, 5: flush and write of the second
        for (int n = 1; n <= 5; ++n) {
            QTest::addRow("stop at yield %d", n) << n << false;
            QTest::addRow("stop and start at yield %d", n) << n << true;
        }
    }
    void stopAtYield() {
        QFETCH(int, yieldNo);
        QFETCH(bool, restart);
        Rig rig;
        rig.addDevice(1);
        qsizetype writtenAtStop = -1;
        int yields = 0;
        rig.onYield = [&] {
            if (++yields != yieldNo)
                return;
            writtenAtStop = rig.written.size();
            rig.cycle.stop();
            if (restart)
                rig.cycle.start();
        };
        rig.cycle.start();
        if (yieldNo > 2)
            QVERIFY(rig.fire());
        QVERIFY(writtenAtStop >= 0);
        QVERIFY(restart || !rig.armed);
        for (int tick = 0; tick < 3; ++tick) // a stopped cycle does not tick
            rig.fire();
        // Restarted: one chain only, from the start.
        const QList<QByteArray> sent{shortRequest(1), kRequest13, kRequest3, shortRequest(2)};
        QCOMPARE(rig.written.mid(writtenAtStop), restart ? sent : QList<QByteArray>());
        QCOMPARE(rig.cycle.isRunning(), restart);
        if (restart)
            return;
        // The stop cleared the board and the records.
        QCOMPARE(ptest::recordText(rig.state.Device_Table[1]), ptest::recordText({}));
        for (int r = 0; r < kRowCount; ++r)
            QCOMPARE(rig.row(r), QString("%1i|i|i|i|i|i|i|i|i|i|i").arg(r, 2, 10, QChar('0')));
    }

    // Asked for beside the pass: each request goes out as a step of its own right after the step
    // under way, its answer reported and kept off the board, and the pass goes on as before.
    void requestsBetweenSteps() {
        Rig rig;
        rig.addDevice(1);
        rig.answers[kRequest15] = hex("FF FF FF FF FF") + kAnswer15;
        QList<QList<QVariant>> decoded;
        QList<QList<QVariant>> finished; // as each request's own handle reports it
        connect(&rig.cycle, &PollingCycle::answerDecoded, &rig.cycle,
                [&](const ReadAnswer& answer) {
                    decoded << QList<QVariant>{answer.command, answer.address, answer.accepted};
                    if (answer.command == 0 && answer.address == 1 && decoded.size() == 1) {
                        for (const OnDemandRequest& asked :
                             {OnDemandRequest{1, 15, {}}, OnDemandRequest{1, 33, hex("00 01")}}) {
                            PendingRequest* pending = rig.cycle.request(asked);
                            QVERIFY(pending);
                            connect(pending, &PendingRequest::finished, &rig.cycle,
                                    [&finished](const ReadAnswer& to) {
                                        finished << QList<QVariant>{to.command, to.accepted,
                                                                    to.frame.responseCode};
                                    });
                        }
                    }
                });
        QVERIFY(!rig.cycle.request({1, 15, {}})); // stopped
        rig.cycle.start();
        QVERIFY(!rig.cycle.request({1, 15, {}})); // command 0 not answered yet in this pass
        for (int tick = 0; tick < 5; ++tick)
            QVERIFY(rig.fire());
        QCOMPARE(rig.written, (QList<QByteArray>{shortRequest(1), kRequest15, kRequest33,
                                                 kRequest13, kRequest3, shortRequest(2)}));
        // 33 went unanswered: reported as such; neither answer touched the board.
        QCOMPARE(decoded.mid(0, 5),
                 (QList<QList<QVariant>>{
                     {0, 1, true}, {15, 1, true}, {33, 1, false}, {13, 1, true}, {3, 1, true}}));
        QCOMPARE(finished, (QList<QList<QVariant>>{{15, true, 0}, {33, false, -1}}));
        QVERIFY(rig.row(1).contains("PT-101"));
        QCOMPARE(rig.cycle.queuedRequests(), 0);
        QVERIFY(!rig.cycle.request({2, 15, {}})); // nobody at 2
    }

    // A request waits its turn only while its instrument answers: one that went silent before
    // its turn is dropped, and so is everything still queued when the cycle stops.
    void requestsDropped_data() {
        QTest::addColumn<bool>("silent"); // else: stopped at a yield of the request's step
        QTest::addColumn<int>("yieldNo"); // 1, 2: flush and write of the step; 3: after its answer
        QTest::newRow("instrument fell silent") << true << 0;
        for (int n = 1; n <= 3; ++n)
            QTest::addRow("stop at yield %d of the request's step", n) << false << n;
    }
    void requestsDropped() {
        QFETCH(bool, silent);
        QFETCH(int, yieldNo);
        Rig rig;
        rig.addDevice(1);
        rig.answers[kRequest15] = hex("FF FF FF FF FF") + kAnswer15;
        QList<int> dropped;
        const auto ask = [&](int address, int command) {
            PendingRequest* pending = rig.cycle.request({address, command, {}});
            if (pending)
                connect(pending, &PendingRequest::dropped, &rig.cycle,
                        [&dropped, address, command] { dropped << address * 100 + command; });
            return pending != nullptr;
        };
        rig.cycle.start();
        QVERIFY(rig.fire()); // command 0 to 1 answered; 13 goes out
        if (silent) {
            QVERIFY(rig.fire()); // 3 goes out
            QVERIFY(rig.fire()); // command 0 to 2: nobody there
            // Round to command 0 to address 1 again, which now goes unanswered.
            for (int tick = 0; tick < 15; ++tick)
                QVERIFY(rig.fire());
            QCOMPARE(rig.written.last(), shortRequest(1));
            QVERIFY(ask(1, 15));
            rig.answers.clear();
            rig.waiting.clear();
            QVERIFY(rig.fire());
            QCOMPARE(rig.written.last(), shortRequest(2));
            QCOMPARE(dropped, QList<int>{115});
            QVERIFY(!rig.cycle.request({1, 15, {}}));
            return;
        }
        QVERIFY(ask(1, 15));
        QVERIFY(ask(1, 1));
        int yields = 0;
        rig.onYield = [&] {
            if (++yields == yieldNo + 1) // the first is the one after 13's decoder
                rig.cycle.stop();
        };
        QVERIFY(rig.fire()); // 13 answered; 15 goes out
        if (yieldNo == 3)
            QVERIFY(rig.fire()); // 15 answered
        QVERIFY(!rig.cycle.isRunning() && !rig.armed);
        // Stopped before its answer, 15 is dropped too: nobody waits for it in vain.
        QCOMPARE(dropped, yieldNo == 3 ? QList<int>{101} : (QList<int>{115, 101}));
        QCOMPARE(rig.cycle.queuedRequests(), 0);
        QCOMPARE(rig.written.last(), yieldNo == 1 ? kRequest13 : kRequest15);
    }
};

QTEST_GUILESS_MAIN(TestProtocolCycle)
#include "tst_protocol_cycle.moc"
