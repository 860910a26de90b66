// The instruments behind an I/O system, read beside the pass on a loop held in memory and a
// steady clock the test moves: the list from commands 74 and 84, a delayed response asked again
// while the pass goes on, and command 77 where an instrument does not answer by its address.

#include "core/io_system_reader.h"
#include "core/subscriptions.h"
#include "field/details.h"

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
// The whole identity (command 0) a HART 7 instrument behind, of manufacturer 0026 and expanded
// device type E0A5, answers with; `id` its device ID.
QByteArray identityData(const QByteArray& id) {
    return hex("FE E0 A5 05 07 01 01 08 00") + id + hex("05 04 00 01 00 00 26 00 26 01");
}

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
        answers[asked(hex("82 A0 A5 12 34 57 00 00"))] =
            behindAnswers(0, 0, identityData(hex("12 34 57")));
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
        QVERIFY(!in.identity->fromList); // command 0 said the rest
        QCOMPARE(in.identity->configChangeCounter, 1);
        QCOMPARE(measured.first().at(0).toInt(), 1);
    }

    // The I/O system says its list changed: its device status says its configuration changed,
    // or says more status is available and its command 48 says the list changed. The list is
    // read again (74, then 84), once; command 48 is not asked again within half a minute.
    void listReadAgainWhenItChanges_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("through48");
        QTest::newRow("configuration changed") << 0x40 << false;
        QTest::newRow("more status: command 48") << 0x10 << true;
    }
    void listReadAgainWhenItChanges() {
        QFETCH(int, status);
        QFETCH(bool, through48);
        GatewayRig rig;
        const QByteArray list84 = asked(hex("82 A6 06 12 34 56 54 02 00 01"));
        const QByteArray asked48 = asked(hex("82 A6 06 12 34 56 30 00"));
        // Standardized status 2 (byte 11): sub-device list changed.
        rig.answers[asked48] = answer(hex("86 A6 06 12 34 56 30 10 00 10 00 00 00 00 00 00 00 00 "
                                          "00 00 00 01 00 00"));
        rig.cycle.start();
        QVERIFY(rig.run([&] { return rig.reader.subDevices().size() == 1; }));
        QCOMPARE(int(rig.written.count(list84)), 1);
        // That status in every answer it gives from now on.
        const auto changed = [status](QByteArray frame) {
            frame[protocol::HartFrame::parse(frame).dataOffset() - 1] = char(status);
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
        QCOMPARE(int(rig.written.count(asked(hex("82 A6 06 12 34 56 4A 00")))), 2); // 74 too
        QCOMPARE(int(rig.written.count(asked48)), through48 ? 1 : 0);
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

    // Details asked of an instrument behind go out by its long address before its next values,
    // each answer kept as its detail; a command it does not implement is a detail answered so.
    void detailsBeforeTheNextValues() {
        GatewayRig rig;
        const QByteArray unique = hex("20 A5 12 34 57");
        rig.answers[rig.toBehind13] = rig.behindAnswers(13, 0, kTagData);
        rig.answers[rig.toBehind3] = rig.behindAnswers(3, 0, kValueData);
        const QList<int> commands = field::detailCommands(7);
        constexpr quint8 kNotImplemented = 64;
        for (const int command : commands) {
            const QByteArray data = field::detailRequestData(command);
            QByteArray request = hex("82 A0 A5 12 34 57") + char(command) + char(data.size());
            rig.answers[asked(request + data)] = rig.behindAnswers(command, kNotImplemented);
        }
        rig.cycle.start();
        QVERIFY(rig.run([&] { return rig.reader.instrument(unique).lastMeasured.has_value(); }));
        QVERIFY(rig.reader.readDetails(unique));
        QVERIFY(!rig.reader.readDetails(hex("20 A5 12 34 00"))); // not listed
        const qsizetype from = rig.written.size();
        QVERIFY(rig.run([&] { return rig.reader.instrument(unique).detailsPending.empty(); }));
        const field::Instrument& in = rig.reader.instrument(unique);
        for (const int command : commands) {
            QVERIFY2(in.details.count(command) == 1, qPrintable(QString::number(command)));
            QCOMPARE(in.details.at(command).frame.responseCode, int(kNotImplemented));
        }
        QVERIFY(!rig.written.mid(from).contains(rig.toBehind3)); // values only after them
        QVERIFY(in.answering);
    }

    // A followed instrument is asked every other request of the reader; the others still get
    // their turns between.
    void followedEveryOtherRequest() {
        GatewayRig rig;
        rig.answers[asked(hex("82 A6 06 12 34 56 4A 00"))] =
            answer(hex("86 A6 06 12 34 56 4A 0A 00 00 01 08 01 00 04 04 01 03"));
        rig.answers[asked(hex("82 A6 06 12 34 56 54 02 00 02"))] =
            answer(hex("86 A6 06 12 34 56 54 0E 00 00 00 02 00 06 00 26 E0 A5 12 34 58 07"));
        rig.answers[asked(hex("82 A6 06 12 34 56 54 02 00 03"))] =
            answer(hex("86 A6 06 12 34 56 54 0E 00 00 00 03 00 07 00 26 E0 A5 12 34 59 07"));
        for (const char last : {'\x57', '\x58', '\x59'})
            for (const auto& [command, data] : {std::pair{0, identityData(hex("12 34") + last)},
                                                {13, kTagData},
                                                {3, kValueData}}) {
                QByteArray frame = hex("86 A0 A5 12 34") + last + char(command);
                frame += char(data.size() + 2) + hex("00 00") + data;
                rig.answers[asked(hex("82 A0 A5 12 34") + last + char(command) + hex("00"))] =
                    answer(frame);
            }
        rig.cycle.start();
        const QByteArray second = hex("20 A5 12 34 58");
        QVERIFY(rig.run([&] { return rig.reader.instrument(second).lastMeasured.has_value(); }));
        rig.reader.follow(second);
        const qsizetype from = rig.written.size();
        for (int k = 0; k < 60; ++k)
            rig.fire();
        QString order; // f: the followed one, o: another
        for (const QByteArray& request : rig.written.mid(from))
            if (request.contains(hex("82 A0 A5 12 34")))
                order += request.contains(hex("A5 12 34 58")) ? 'f' : 'o';
        QVERIFY2(order.count('o') >= 5 && !order.contains("oo"), qPrintable(order));
    }

    // A frame published by an instrument behind is taken as its values; one by an instrument not
    // listed is left to others.
    void publishedByAnInstrumentBehind() {
        GatewayRig rig;
        rig.cycle.start();
        QVERIFY(rig.run([&] { return rig.reader.subDevices().size() == 1; }));
        QSignalSpy measured(&rig.reader, &core::IoSystemReader::measurement);
        QByteArray frame =
            hex("86 A0 A5 12 34 57 03") + char(kValueData.size() + 2) + hex("00 00") + kValueData;
        const auto published = [](const QByteArray& bytes) {
            return protocol::ReadAnswer::of(3, -1, true, kPreamble + withCheck(bytes),
                                            protocol::ReadAnswer::Origin::Published);
        };
        QVERIFY(rig.reader.takePublished(published(frame)));
        QCOMPARE(measured.size(), 1);
        QVERIFY(rig.reader.instrument(hex("20 A5 12 34 57")).lastPublished());
        frame[5] = char(0x58);
        QVERIFY(!rig.reader.takePublished(published(frame)));
        QCOMPARE(measured.size(), 1);
    }

    // A subscription for an instrument behind is written to the I/O system with the
    // instrument's unique ID (master bit set), then read back from it.
    void subscriptionAskedOfTheIoSystem() {
        GatewayRig rig;
        core::Subscriptions subscriptions(rig.cycle, rig.state);
        QSignalSpy settled(&subscriptions, &core::Subscriptions::settledBehind);
        const QByteArray target = hex("A0 A5 12 34 57");
        rig.answers[asked(hex("82 A6 06 12 34 56 1F 09 02 15") + target + hex("00 0F"))] =
            answer(hex("86 A6 06 12 34 56 1F 0B 00 00 02 15") + target + hex("00 0F"));
        rig.answers[asked(hex("82 A6 06 12 34 56 1F 07 02 14") + target)] =
            answer(hex("86 A6 06 12 34 56 1F 0B 00 00 02 14") + target + hex("00 0F"));
        rig.cycle.start();
        QVERIFY(rig.run([&] { return rig.reader.subDevices().size() == 1; }));
        QVERIFY(subscriptions.askBehind(1, hex("20 A5 12 34 57"), true));
        QVERIFY(rig.run([&] { return !settled.isEmpty(); }));
        QCOMPARE(settled.first().at(0).toByteArray(), hex("20 A5 12 34 57"));
        QCOMPARE(settled.first().at(2).value<core::Subscriptions::Outcome>(),
                 core::Subscriptions::Outcome::Confirmed);
    }
};

QTEST_MAIN(TestCoreIoSystem)
#include "tst_core_io_system.moc"
