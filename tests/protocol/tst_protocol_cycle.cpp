// The polling cycle on a simulated loop: order of requests over whole passes, the board after
// each answer, the receive step, failed reads and writes, and stops at every yield.

#include "helpers.h"
#include "protocol/polling_cycle.h"

#include <QSignalSpy>
#include <QtTest>

#include <utility>

using namespace protocol;
using ptest::hex;
using ptest::withCheck;

namespace {

QByteArray shortRequest(int a) {
    return hex("FF FF FF FF") + withCheck(hex("02") + char(a) + hex("00 00"));
}

// The instrument at polling address `a` has the long address 26 06 12 34 5a.
QByteArray longRequest(int a, int command) {
    return hex("FF FF FF FF FF") +
           withCheck(hex("82 26 06 12 34") + char(0x50 + a) + char(command) + hex("00"));
}

// A golden answer carrying the long address of the instrument at `a`.
QByteArray answerFrom(int a, const QByteArray& golden) {
    QByteArray frame = golden.chopped(1);
    frame[frame[0] & 0x80 ? 5 : 17] = char(0x50 + a);
    return withCheck(frame);
}

// The port, the answer wait and the event yield in one stand-in. A written request that has an
// entry in `answers` makes that answer wait at the port; the test ticks the wait by hand.
struct Rig : HartPort, AnswerTimer, EventYield {
    QHash<QByteArray, QByteArray> answers;
    QList<QByteArray> written;
    QByteArray waiting;
    bool failReads = false, failWrites = false, armed = false;
    int yields = 0;
    std::function<void(int)> onYield = [](int) {}; // gets the number of each yield, from 1
    std::function<void()> tick;
    ProtocolState state;
    MemoryBoard board; // in its design state
    PollingCycle cycle{state, board, *this, *this, *this};

    std::optional<QByteArray> readAllWaiting() override {
        return failReads ? std::nullopt : std::optional(std::exchange(waiting, {}));
    }
    bool write(const QByteArray& frame) override {
        if (failWrites)
            return false;
        written << frame;
        waiting += answers.value(frame);
        return true;
    }
    void setHandler(std::function<void()> handler) override { tick = std::move(handler); }
    void arm() override { armed = true; }
    void disarm() override { armed = false; }
    bool isArmed() const override { return armed; }
    void yield() override { onYield(++yields); }
    bool fire() { return armed && (tick(), true); }

    void addDevice(int a, bool answers13 = true, bool answers3 = true, bool hart7 = false) {
        const QByteArray preamble = hex("FF FF FF FF FF");
        answers[shortRequest(a)] =
            preamble + answerFrom(a, hart7 ? ptest::kAnswer0Hart7 : ptest::kAnswer0Hart5);
        if (answers13)
            answers[longRequest(a, 13)] = preamble + answerFrom(a, ptest::kAnswer13);
        if (answers3)
            answers[longRequest(a, 3)] = preamble + answerFrom(a, ptest::kAnswer3);
    }
    QString row(int r) const { return ptest::cellText(board, r, kAllColumns); }
};

} // namespace

class TestProtocolCycle : public QObject {
    Q_OBJECT
private slots:
    void passOrder() {
        const QList<int> full{0, 1, 15}; // answer every command; the one at 15 is a HART 7 device
        const QList<int> zeroOnly{9};    // answers command 0 only
        Rig rig;
        rig.board.setCaption(Column::Label1, 0, " "); // a blank identifier is no device
        for (int a : full)
            rig.addDevice(a, true, true, a == 15);
        for (int a : zeroOnly)
            rig.addDevice(a, false, false);
        // Two passes from address 1 round to 0, 16 + 2N steps each, and the next pass's first.
        QList<QByteArray> expected;
        for (int step = 1; step <= 32; ++step) {
            expected << shortRequest(step % 16);
            if (full.contains(step % 16) || zeroOnly.contains(step % 16))
                expected << longRequest(step % 16, 13) << longRequest(step % 16, 3);
        }
        expected << shortRequest(1);
        rig.cycle.start();
        for (int tick = 1; tick < expected.size(); ++tick)
            QVERIFY(rig.fire());
        QCOMPARE(rig.written, expected);
        for (int a : full)
            QCOMPARE(rig.board.caption(Column::Label4, a), "05.03.2009");
    }

    void walk_data() {
        QTest::addColumn<bool>("answers13");
        QTest::addColumn<bool>("answers3");
        QTest::newRow("answers all") << true << true;
        QTest::newRow("answers 0 only") << false << false;
    }
    void walk() {
        QFETCH(bool, answers13);
        QFETCH(bool, answers3);
        Rig rig;
        rig.cycle.setLocale(QLocale(QLocale::German));
        rig.addDevice(3, answers13, answers3);
        const QString nan = "5,10423550381408E+38a"; // what 7F C0 00 00 shows
        const QString tag = answers13 ? "PT-101  a|TEST DEVICE     a|05.03.2009a" : "i|i|i";
        const QString values = answers3 ? "12,5a|1,23a|23,5a|" + nan + "|" + nan : "i|i|i|i|i";
        const QString id = "03a|2606123453a|";
        // After each tick: the request that went out, and row 3.
        const QList<std::pair<QByteArray, QString>> steps{
            {shortRequest(3), "03p|p| i| i| i|p|i|i|i|i|i"},
            {longRequest(3, 13), id + "p|p|p|00 00a|i|i|i|i|i"},
            {longRequest(3, 3), id + tag + "|00 00a|p|p|p|p|p"},
            {shortRequest(4), id + tag + "|00 00a|" + values},
        };
        rig.cycle.start();
        QVERIFY(rig.fire() && rig.fire()); // nobody at 1 and 2
        for (const auto& [request, row] : steps) {
            QCOMPARE(rig.written.last(), request);
            QCOMPARE(rig.row(3), row);
            QVERIFY(rig.fire());
        }
        // Next pass: command 0 empties the identifier and status, the rest of the row stays.
        for (int tick = 0; tick < 20 && rig.written.last() != shortRequest(3); ++tick)
            QVERIFY(rig.fire());
        QCOMPARE(rig.row(3), "03p|p|" + tag + "|p|" + values);
        // The device falls silent: no commands 13 and 3, its identity kept.
        rig.answers.clear();
        rig.waiting.clear();
        QVERIFY(rig.fire());
        QCOMPARE(rig.row(3), "03i|i|" + tag + "|i|" + values);
        QCOMPARE(rig.written.last(), shortRequest(4));
        QCOMPARE(rig.state.Device_Table[3].Long_Address, hex("26 06 12 34 53"));
        QCOMPARE(rig.state.Device_Table[3].Device_Tag, answers13 ? "PT-101  " : "");
    }

    void receive_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("failing");   // "read" or "write" fails for this request
        QTest::addColumn<QByteArray>("stored"); // Rx_Buffer from cell 0; the other cells hold 20
        QTest::newRow("preamble") << hex("FF FF FF FF FF 06 01 00") << "" << hex("06 01 00");
        QTest::newRow("no preamble") << hex("00 0A FF") << "" << hex("00 0A FF");
        QTest::newRow("preamble only") << hex("FF FF FF") << "" << hex("FF FF FF");
        QTest::newRow("nothing") << QByteArray() << "" << QByteArray();
        // A failed read is nothing received, not the previous answer again.
        QTest::newRow("read fails") << hex("06 81") << "read" << QByteArray();
        QTest::newRow("write fails") << hex("06 81") << "write" << QByteArray();
        QByteArray big = hex("FF FF");
        for (int i = 0; i < 1100; ++i)
            big += char(i % 251);
        QTest::newRow("more than 1024") << big << "" << big.mid(2, 1024);
    }
    void receive() {
        QFETCH(QByteArray, answer);
        QFETCH(QString, failing);
        QFETCH(QByteArray, stored);
        Rig rig;
        rig.state.Rx_String = hex("06 01 00"); // what an earlier answer left
        rig.state.Rx_Buffer.fill(0x55);
        rig.answers[shortRequest(1)] = answer;
        QSignalSpy spy(&rig.cycle, &PollingCycle::answerReceived);
        rig.failWrites = failing == "write";
        rig.cycle.start();
        rig.failWrites = false;
        rig.failReads = failing == "read";
        QVERIFY(rig.fire()); // a failed write still waits for an answer
        QString dump;        // " FF FF 06 80": a blank before every byte
        for (char byte : failing.isEmpty() ? answer : QByteArray())
            dump += QString::asprintf(" %02X", quint8(byte));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].toInt(), failing.isEmpty() ? int(answer.size()) : 0);
        QCOMPARE(spy[0][1].toString(), dump);
        QList<qint16> cells(kRxBufferSize, kRxFill);
        for (int k = 0; k < stored.size(); ++k)
            cells[k] = qint16(quint8(stored[k]));
        QCOMPARE(QList<qint16>(rig.state.Rx_Buffer.begin(), rig.state.Rx_Buffer.end()), cells);
        QCOMPARE(rig.written.last(), shortRequest(2));
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
        rig.onYield = [&](int n) {
            if (n != yieldNo)
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
        const QList<QByteArray> sent{shortRequest(1), longRequest(1, 13), longRequest(1, 3),
                                     shortRequest(2)}; // restarted: one chain only, from the start
        QCOMPARE(rig.written.mid(writtenAtStop), restart ? sent : QList<QByteArray>());
        QCOMPARE(rig.cycle.isRunning(), restart);
        for (int r = 0; r < kRowCount && !restart; ++r)
            QCOMPARE(rig.row(r), QString("%1i|i|i|i|i|i|i|i|i|i|i").arg(r, 2, 10, QChar('0')));
    }
};

QTEST_GUILESS_MAIN(TestProtocolCycle)
#include "tst_protocol_cycle.moc"
