#include "serial/modem_lines.h"
#include "serial/rts_keyer.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cerrno>

using serial::RtsKeyer;

namespace {

// A port whose RTS line and transmitter the test controls.
struct FakeLine {
    bool rts = false;
    int raises = 0, drops = 0, drains = 0, emptyChecks = 0;
    long refuseWith = 0;
    int busyChecks = 0;  // the transmitter reports bytes for this many checks
    bool canTell = true; // whether the device can say its transmitter is empty
    qint64 heldMs = -1;
    QElapsedTimer clock;

    RtsKeyer::Lines lines() {
        RtsKeyer::Lines l;
        l.setRts = [this](bool on) -> long {
            if (refuseWith != 0)
                return refuseWith;
            rts = on;
            ++(on ? raises : drops);
            if (on)
                clock.start();
            else
                heldMs = clock.elapsed();
            return 0;
        };
        l.transmitterEmpty = [this]() -> std::optional<bool> {
            ++emptyChecks;
            return canTell ? std::optional<bool>(emptyChecks > busyChecks) : std::nullopt;
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
    // RTS goes up for the frame and stays up for its time on the wire, 11 bits a byte at
    // 1200 bit/s; the drop is scheduled, not waited for, and comes once the transmitter is
    // empty (or, when the device cannot tell, after draining the driver). Closing the port
    // drops it at once. A port without the line, or whose driver keys it, is left alone.
    void keyedForTheFrame_data() {
        QTest::addColumn<long>("refusal");
        QTest::addColumn<bool>("driverKeys");
        QTest::addColumn<int>("busyChecks");
        QTest::addColumn<bool>("canTell");
        QTest::addColumn<int>("drains");
        QTest::newRow("transmitter empty") << 0L << false << 0 << true << 0;
        QTest::newRow("transmitter still busy") << 0L << false << 3 << true << 0;
        QTest::newRow("device cannot tell") << 0L << false << 0 << false << 1;
        QTest::newRow("no line: ENOTTY") << long(ENOTTY) << false << 0 << true << 0;
        QTest::newRow("no line: EINVAL") << long(EINVAL) << false << 0 << true << 0;
        QTest::newRow("the driver keys RTS") << 0L << true << 0 << true << 0;
    }
    void keyedForTheFrame() {
        QFETCH(long, refusal);
        QFETCH(bool, driverKeys);
        QFETCH(int, busyChecks);
        QFETCH(bool, canTell);
        QFETCH(int, drains);
        FakeLine line;
        line.refuseWith = refusal;
        line.busyChecks = busyChecks;
        line.canTell = canTell;
        RtsKeyer keyer;
        keyer.attach(line.lines());
        keyer.setEnabled(!driverKeys);
        keyer.beforeWrite();
        keyer.afterHandOff(3);
        if (refusal != 0 || driverKeys) {
            QVERIFY(!keyer.isRaised() && !keyer.dropPending() && !keyer.isEnabled());
            QCOMPARE(line.raises + line.drops, 0);
            return;
        }
        QVERIFY(line.rts && keyer.dropPending());
        QTRY_VERIFY_WITH_TIMEOUT(!line.rts, 1000);
        QCOMPARE(line.raises, 1);
        QCOMPARE(line.drops, 1);
        QCOMPARE(line.emptyChecks, busyChecks + 1);
        QCOMPARE(line.drains, drains);
        const double wireMs = 11 * 1000.0 * 3 / 1200;
        QVERIFY2(line.heldMs >= wireMs, qPrintable(QString::number(line.heldMs)));
        // Not so long that the first byte of an answer would meet our carrier.
        QVERIFY(RtsKeyer::holdMs(3) >= wireMs && RtsKeyer::holdMs(3) <= wireMs + 9);

        keyer.beforeWrite();
        keyer.afterHandOff(14);
        keyer.detach();
        QVERIFY(!line.rts && !keyer.dropPending());
        QCOMPARE(line.drops, 2);
    }
};

QTEST_GUILESS_MAIN(TestSerialRts)
#include "tst_serial_rts.moc"
