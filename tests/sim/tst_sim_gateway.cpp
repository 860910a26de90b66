// The simulated I/O system: what it says of itself and of the instruments behind it, and how it
// reaches them, read back through the program's own readers of commands 74, 84 and 77.

#include "field/io_system.h"
#include "protocol/hart_frame.h"
#include "protocol/sub_device_frame.h"
#include "sim/gateway.h"

#include <QtTest>

namespace {

const QByteArray kGateway = QByteArray::fromHex("A6E10A0001"); // as a primary master names it

// A request to `address` (five bytes, master bit set) for `command` with `data`.
QByteArray request(const QByteArray& address, int command, const QByteArray& data = {}) {
    protocol::HartFrame frame;
    frame.delimiter = protocol::kLongDelimiter;
    frame.address = address;
    frame.command = command;
    frame.data = data;
    return frame.encode();
}

// Instrument `index`'s address as a primary master names it, from the gateway's command 84.
QByteArray addressOf(sim::Gateway& gateway, int index) {
    const auto sub = field::subDeviceFrom(protocol::HartFrame::parse(
        gateway.answer(request(kGateway, 84, protocol::bigEndian(index, 2)), 0)));
    if (!sub)
        return {};
    QByteArray address = sub->uniqueAddress();
    address[0] = char(address[0] | 0x80);
    return address;
}

} // namespace

class TestSimGateway : public QObject {
    Q_OBJECT
private slots:
    // Twenty instruments, eight channels a card: three cards, and 21 devices with the gateway.
    // Each is listed with its card and channel; an index beyond the list is refused.
    void listsWhatItHolds() {
        sim::Gateway gateway(20);
        const auto io = field::ioSystemFrom(
            protocol::HartFrame::parse(gateway.answer(request(kGateway, 74), 0)));
        QVERIFY(io);
        QCOMPARE(io->cards, 3);
        QCOMPARE(io->channelsPerCard, 8);
        QCOMPARE(io->subDevices(), 20);
        const auto tenth = field::subDeviceFrom(protocol::HartFrame::parse(
            gateway.answer(request(kGateway, 84, protocol::bigEndian(10, 2)), 0)));
        QVERIFY(tenth);
        QCOMPARE(tenth->card, 1);
        QCOMPARE(tenth->channel, 1);
        QCOMPARE(tenth->longTag, "Wireless transmitter 10");
        const protocol::HartFrame beyond = protocol::HartFrame::parse(
            gateway.answer(request(kGateway, 84, protocol::bigEndian(21, 2)), 0));
        QCOMPARE(beyond.responseCode, 2);
    }

    // An instrument is reached by its long address directly, or through command 77 with its
    // card and channel; both carry the same answer.
    void reachesThemBothWays() {
        sim::Gateway gateway(20);
        const QByteArray third = addressOf(gateway, 3);
        const protocol::HartFrame direct =
            protocol::HartFrame::parse(gateway.answer(request(third, 13), 0));
        QVERIFY(direct.sound());
        QCOMPARE(direct.responseCode, 0);
        protocol::HartFrame carried = protocol::HartFrame::parse(request(third, 13));
        const protocol::HartFrame wrapped = protocol::HartFrame::parse(
            gateway.answer(request(kGateway, 77, protocol::command77Data(0, 2, 5, carried)), 0));
        QCOMPARE(wrapped.responseCode, 0);
        const auto inside = protocol::embeddedAnswer(wrapped.data);
        QVERIFY(inside);
        QCOMPARE(inside->frame.data, direct.data);
    }

    // Every fourth instrument answers through a delayed response: 33 to the first ask, 34 while
    // it runs, then the answer; the same instrument's command 0 is answered at once.
    void delayedResponses() {
        sim::Gateway gateway(20);
        const QByteArray fourth = addressOf(gateway, 4);
        const auto code = [&](qint64 ms) {
            return protocol::HartFrame::parse(gateway.answer(request(fourth, 3), ms)).responseCode;
        };
        QCOMPARE(code(1000), 33);
        QCOMPARE(code(1200), 34);
        QCOMPARE(code(1400), 0);
        QCOMPARE(code(1500), 33); // a new one
        QCOMPARE(protocol::HartFrame::parse(gateway.answer(request(fourth, 0), 1500)).responseCode,
                 0);
    }

    // The last instrument is away for the last 20 s of every minute, and not listed then. Each
    // time it leaves or comes back the gateway says so: more status available in its device
    // status, and "sub-device list changed" in its command 48, until that is read.
    void lastOneLeavesAndComesBack() {
        sim::Gateway gateway(20);
        const QByteArray last = addressOf(gateway, 20);
        const auto parse = [](const QByteArray& bytes) {
            return protocol::HartFrame::parse(bytes);
        };
        const auto moreStatus = [&](qint64 ms) {
            return (parse(gateway.answer(request(kGateway, 0), ms)).deviceStatus & 0x10) != 0;
        };
        const auto listed = [&](qint64 ms) {
            return field::ioSystemFrom(parse(gateway.answer(request(kGateway, 74), ms)))
                ->subDevices();
        };
        const auto listChanged = [&](qint64 ms) {
            return field::subDeviceListChanged(parse(gateway.answer(request(kGateway, 48), ms)));
        };
        QVERIFY(!gateway.answer(request(last, 0), 5000).isEmpty());
        QVERIFY(!moreStatus(5000));
        QVERIFY(gateway.answer(request(last, 0), 45000).isEmpty()); // away
        QCOMPARE(listed(45000), 19);
        QCOMPARE(parse(gateway.answer(request(kGateway, 84, protocol::bigEndian(20, 2)), 45000))
                     .responseCode,
                 2);
        QVERIFY(moreStatus(45000));
        QVERIFY(listChanged(45000));
        QVERIFY(!moreStatus(46000)); // read: said once
        QVERIFY(!listChanged(46000));
        QCOMPARE(listed(65000), 20); // back
        QVERIFY(moreStatus(65000));
        QVERIFY(!gateway.answer(request(last, 0), 65000).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestSimGateway)
#include "tst_sim_gateway.moc"
