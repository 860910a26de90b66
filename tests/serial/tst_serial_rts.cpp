#include "serial/modem_lines.h"
#include "serial/rts_keyer.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cerrno>
#include <optional>

using serial::RtsKeyer;

namespace {

// A port whose RTS line and transmitter the test controls.
struct FakeLine {
    bool rts = false;
    int raises = 0;
    int drops = 0;
    int drains = 0;
    int emptyChecks = 0;
    long refuseWith = 0;
    int busyChecks = 0;  // the transmitter reports bytes for this many checks
    bool canTell = true; // whether the device can say its transmitter is empty
    qint64 raisedAtMs = -1;
    qint64 droppedAtMs = -1;
    QElapsedTimer clock;

    RtsKeyer::Lines lines() {
        clock.start();
        RtsKeyer::Lines l;
        l.setRts = [this](bool on) -> long {
            if (refuseWith != 0)
                return refuseWith;
            rts = on;
            if (on) {
                ++raises;
                raisedAtMs = clock.elapsed();
            } else {
                ++drops;
                droppedAtMs = clock.elapsed();
            }
            return 0;
        };
        l.transmitterEmpty = [this]() -> std::optional<bool> {
            ++emptyChecks;
            if (!canTell)
                return std::nullopt;
            return emptyChecks > busyChecks;
        };
        l.drain = [this] { ++drains; };
        l.isUnsupported = serial::isUnsupportedRequest;
        return l;
    }
};

} // namespace

class TestSerialRts : public QObject {
    Q_OBJECT
private slots:
    void holdCoversTheFrameOnTheWire_data();
    void holdCoversTheFrameOnTheWire();
    void raisedForTheFrameThenDropped();
    void dropWaitsForAnEmptyTransmitter();
    void drainsWhenTheDeviceCannotTell();
    void noLineNoKeying_data();
    void noLineNoKeying();
    void secondFrameExtendsTheHold();
    void closingDropsAtOnce();
};

void TestSerialRts::holdCoversTheFrameOnTheWire_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<double>("wireMs");
    // 11 bits a byte at 1200 bit/s.
    QTest::newRow("one byte") << 1 << 9.1667;
    QTest::newRow("command 0, short frame") << 12 << 110.0;
    QTest::newRow("command 3, long frame") << 14 << 128.3333;
    QTest::newRow("full transmit buffer") << 512 << 4693.3333;
}

void TestSerialRts::holdCoversTheFrameOnTheWire() {
    QFETCH(int, bytes);
    QFETCH(double, wireMs);
    const int hold = RtsKeyer::holdMs(bytes);
    QVERIFY2(hold >= wireMs, qPrintable(QString::number(hold)));
    // Not so long that the first byte of an answer would meet our carrier.
    QVERIFY2(hold <= wireMs + 9.0, qPrintable(QString::number(hold)));
}

void TestSerialRts::raisedForTheFrameThenDropped() {
    FakeLine line;
    RtsKeyer keyer;
    keyer.attach(line.lines());

    keyer.beforeWrite();
    QVERIFY(line.rts);
    keyer.afterHandOff(1);
    // The drop is scheduled, not waited for.
    QVERIFY(line.rts);
    QVERIFY(keyer.dropPending());

    QTRY_VERIFY_WITH_TIMEOUT(!line.rts, 1000);
    QCOMPARE(line.raises, 1);
    QCOMPARE(line.drops, 1);
    QVERIFY(!keyer.isRaised());
    QVERIFY2(line.droppedAtMs - line.raisedAtMs >= RtsKeyer::holdMs(1) - 1,
             qPrintable(QString::number(line.droppedAtMs - line.raisedAtMs)));
}

void TestSerialRts::dropWaitsForAnEmptyTransmitter() {
    FakeLine line;
    line.busyChecks = 3;
    RtsKeyer keyer;
    keyer.attach(line.lines());
    keyer.beforeWrite();
    keyer.afterHandOff(1);
    QTRY_VERIFY_WITH_TIMEOUT(!line.rts, 1000);
    QCOMPARE(line.emptyChecks, 4);
    QCOMPARE(line.drains, 0);
}

void TestSerialRts::drainsWhenTheDeviceCannotTell() {
    FakeLine line;
    line.canTell = false;
    RtsKeyer keyer;
    keyer.attach(line.lines());
    keyer.beforeWrite();
    keyer.afterHandOff(1);
    QTRY_VERIFY_WITH_TIMEOUT(!line.rts, 1000);
    QCOMPARE(line.drains, 1);
}

void TestSerialRts::noLineNoKeying_data() {
    QTest::addColumn<long>("refusal");
    QTest::addColumn<bool>("driverKeys");
    QTest::newRow("pseudo-terminal: ENOTTY") << long(ENOTTY) << false;
    QTest::newRow("pseudo-terminal: EINVAL") << long(EINVAL) << false;
    QTest::newRow("the driver keys RTS itself") << 0L << true;
}

void TestSerialRts::noLineNoKeying() {
    QFETCH(long, refusal);
    QFETCH(bool, driverKeys);
    FakeLine line;
    line.refuseWith = refusal;
    RtsKeyer keyer;
    keyer.attach(line.lines());
    if (driverKeys)
        keyer.setEnabled(false);

    keyer.beforeWrite();
    keyer.afterHandOff(14);
    QVERIFY(!keyer.isRaised());
    QVERIFY(!keyer.dropPending());
    QVERIFY(!keyer.isEnabled());
    line.refuseWith = 0;
    keyer.beforeWrite(); // not asked again
    QCOMPARE(line.raises, 0);
    QCOMPARE(line.drops, 0);
}

void TestSerialRts::secondFrameExtendsTheHold() {
    FakeLine line;
    RtsKeyer keyer;
    keyer.attach(line.lines());
    keyer.beforeWrite();
    keyer.afterHandOff(1);
    keyer.beforeWrite();
    keyer.afterHandOff(3);
    QCOMPARE(line.raises, 1);
    QTRY_VERIFY_WITH_TIMEOUT(!line.rts, 1000);
    QCOMPARE(line.drops, 1);
    QVERIFY(line.droppedAtMs - line.raisedAtMs >= RtsKeyer::holdMs(3) - 1);
}

void TestSerialRts::closingDropsAtOnce() {
    FakeLine line;
    RtsKeyer keyer;
    keyer.attach(line.lines());
    keyer.beforeWrite();
    keyer.afterHandOff(14);
    keyer.detach();
    QVERIFY(!line.rts);
    QVERIFY(!keyer.dropPending());
    QCOMPARE(line.drops, 1);
}

QTEST_GUILESS_MAIN(TestSerialRts)
#include "tst_serial_rts.moc"
