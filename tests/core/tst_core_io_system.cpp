// The instruments behind an I/O system, read beside the pass on a loop held in memory and a
// steady clock the test moves: the list from commands 74 and 84, a delayed response asked again
// while the pass goes on, and command 77 where an instrument does not answer by its address.

#include "core/io_system_reader.h"

#include "cycle_rig.h"
#include "helpers.h"

#include <QtTest>

using ptest::hex;
using ptest::withCheck;

namespace {

const QByteArray kPreamble = hex("FF FF FF FF FF");

// A request from the primary master as the cycle writes it, and an answer as the rig hands it.
QByteArray asked(const QByteArray& frameWithoutCheck) {
    return kPreamble + withCheck(frameWithoutCheck);
}
QByteArray answer(const QByteArray& frameWithoutCheck) {
    return kPreamble + withCheck(frameWithoutCheck);
}

// The golden instrument at polling address 1 is an I/O system with one instrument behind it on
// card 0, channel 5: 20 A5 12 34 57.
struct GatewayRig : ptest::Rig {
    qint64 steadyMs = 0;
    core::IoSystemReader reader{cycle, [] { return QDateTime(QDate(2026, 12, 8), QTime(17, 0)); },
                                [this] { return steadyMs; }};
    const QByteArray toBehind13 = asked(hex("82 A0 A5 12 34 57 0D 00"));
    const QByteArray toBehind3 = asked(hex("82 A0 A5 12 34 57 03 00"));

    GatewayRig() {
        addDevice(1);
        answers[asked(hex("82 A6 06 12 34 56 4A 00"))] =
            answer(hex("86 A6 06 12 34 56 4A 0A 00 00 01 08 01 00 02 04 01 03"));
        answers[asked(hex("82 A6 06 12 34 56 54 02 00 01"))] =
            answer(hex("86 A6 06 12 34 56 54 0E 00 00 00 01 00 05 00 26 E0 A5 12 34 57 07"));
        reader.setEnabled(true);
        QObject::connect(&cycle, &protocol::PollingCycle::answerDecoded, &reader,
                         &core::IoSystemReader::takeAnswer);
    }
    // The instrument behind answers `command` with `data` after its response bytes.
    QByteArray behindAnswers(int command, quint8 code, const QByteArray& data = {}) {
        QByteArray frame = hex("86 A0 A5 12 34 57");
        frame += char(command);
        frame += char(data.size() + 2);
        frame += char(code);
        frame += char(0);
        return answer(frame + data);
    }
    // Steps of the pass (and of the reader beside it) until `done`, at most `steps`.
    bool run(const std::function<bool()>& done, int steps = 200) {
        for (int k = 0; k < steps && !done(); ++k)
            fire();
        return done();
    }
    bool wrote(const QByteArray& request) const { return written.contains(request); }
};

const QByteArray kTagData = protocol::HartFrame::parse(ptest::kAnswer13).data;
const QByteArray kValueData = protocol::HartFrame::parse(ptest::kAnswer3).data;

} // namespace

class TestCoreIoSystem : public QObject {
    Q_OBJECT
private slots:
    // Found by command 74 after the pass found it, listed by 84; the instrument behind it is
    // asked 13, answers late (33, then 34), and is asked again 200 ms later while the pass goes
    // on; then its values come and are a measurement.
    void listedAndReadThroughADelayedResponse() {
        GatewayRig rig;
        QSignalSpy measured(&rig.reader, &core::IoSystemReader::measurement);
        rig.answers[rig.toBehind13] = rig.behindAnswers(13, 33);
        rig.cycle.start();
        QVERIFY(rig.run([&] { return rig.wrote(rig.toBehind13); }));
        QCOMPARE(rig.reader.ioSystemAddress(), 1);
        QCOMPARE(int(rig.reader.subDevices().size()), 1);
        QCOMPARE(rig.reader.subDevices()[0].summary.channel, 5);
        // Late: not asked again before its 200 ms, the pass going on meanwhile.
        const int asks = int(rig.written.count(rig.toBehind13));
        rig.answers[rig.toBehind13] = rig.behindAnswers(13, 34);
        for (int k = 0; k < 20; ++k)
            rig.fire();
        QCOMPARE(int(rig.written.count(rig.toBehind13)), asks);
        QVERIFY(rig.written.count(ptest::shortRequest(2)) >= 1); // the pass went on
        rig.steadyMs += 200;
        rig.answers[rig.toBehind13] = rig.behindAnswers(13, 0, kTagData);
        rig.answers[rig.toBehind3] = rig.behindAnswers(3, 0, kValueData);
        QVERIFY(rig.run([&] { return !measured.isEmpty(); }));
        const field::Instrument& in = rig.reader.subDevices()[0].instrument;
        QVERIFY(in.answering);
        QVERIFY(in.tag);
        QVERIFY(in.lastMeasured && in.lastMeasured->values[0]);
        QCOMPARE(in.identity->longAddress, hex("20 A5 12 34 57"));
        QCOMPARE(measured.first().at(0).toInt(), 1);
    }

    // The I/O system's status says its configuration changed: its list is read again, once.
    void listReadAgainWhenItChanges() {
        GatewayRig rig;
        const QByteArray list84 = asked(hex("82 A6 06 12 34 56 54 02 00 01"));
        rig.cycle.start();
        QVERIFY(rig.run([&] { return rig.reader.subDevices().size() == 1; }));
        QCOMPARE(int(rig.written.count(list84)), 1);
        // Device status "configuration changed" in every answer it gives from now on.
        const auto changed = [](QByteArray frame) {
            frame[protocol::HartFrame::parse(frame).dataOffset() - 1] = char(0x40);
            frame.chop(1);
            return answer(frame);
        };
        rig.answers[ptest::shortRequest(1)] = changed(ptest::kAnswer0Hart5);
        rig.answers[ptest::kRequest13] = changed(ptest::kAnswer13);
        rig.answers[ptest::kRequest3] = changed(ptest::kAnswer3);
        QVERIFY(rig.run([&] { return rig.written.count(list84) == 2; }));
        for (int k = 0; k < 100; ++k) // still set: not read again
            rig.fire();
        QCOMPARE(int(rig.written.count(list84)), 2);
    }

    // An instrument that does not answer by its address twice is asked through command 77 with
    // its card and channel; its answer comes back inside.
    void throughCommand77() {
        GatewayRig rig;
        const QByteArray through13 =
            asked(hex("82 A6 06 12 34 56 4D 0B 00 05 05 82 A0 A5 12 34 57 0D 00"));
        QByteArray inside = hex("00 05 86 A0 A5 12 34 57 0D 17 00 00") + kTagData;
        rig.answers[through13] =
            answer(hex("86 A6 06 12 34 56 4D") + char(inside.size() + 2) + hex("00 00") + inside);
        rig.cycle.start();
        QVERIFY(rig.run([&] { return rig.written.count(rig.toBehind13) == 1; }));
        for (int k = 0; k < 20; ++k) // the pause before one that did not answer is a second
            rig.fire();
        QCOMPARE(int(rig.written.count(rig.toBehind13)), 1);
        QVERIFY(!rig.reader.subDevices()[0].throughCommand77);
        rig.steadyMs += 1000;
        QVERIFY(rig.run([&] { return rig.written.count(rig.toBehind13) == 2; }));
        for (int k = 0; k < 5; ++k) // its second miss taken
            rig.fire();
        rig.steadyMs += 1000;
        QVERIFY(rig.run([&] { return rig.reader.subDevices()[0].instrument.tag.has_value(); }));
        QVERIFY(rig.wrote(through13));
        QVERIFY(rig.reader.subDevices()[0].throughCommand77);
    }
};

QTEST_MAIN(TestCoreIoSystem)
#include "tst_core_io_system.moc"
