#include "protocol/hart_frame.h"
#include "sim/answer_builder.h"
#include "sim/loop.h"
#include "sim/waveform.h"

#include <QtTest>

namespace {

// The tests' own reading of an answer, sharing nothing with the code under test: the frame
// without its preamble when it is whole (byte count) and its check byte is right, else nothing.
QByteArray checked(const QByteArray& answer) {
    QByteArray frame = answer;
    while (frame.startsWith('\xFF'))
        frame.remove(0, 1);
    const int countAt = frame.startsWith('\x86') ? 7 : 3; // after delimiter, address, command
    char check = 0; // over the whole frame, check byte included
    for (const char c : frame)
        check ^= c;
    const bool whole =
        frame.size() > countAt && frame.size() == countAt + 2 + quint8(frame[countAt]);
    return whole && check == 0 ? frame : QByteArray();
}

// A request: preambles, delimiter, address (1 or 5 bytes), command, byte count 0, check byte.
QByteArray request(const QByteArray& address, int command, int preambles = 5) {
    QByteArray frame = (address.size() == 5 ? '\x82' : '\x02') + address + char(command) + '\0';
    char check = 0;
    for (const char c : frame)
        check ^= c;
    return QByteArray(preambles, '\xFF') + frame + check;
}

QByteArray at(int address) {
    return QByteArray(1, char(address));
}

QByteArray hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toUpper();
}

const QByteArray kGoldenId = QByteArray::fromHex("2606123456");
const QByteArray kOtherId = QByteArray::fromHex("C106123456");

// The instrument of the golden answers, at polling address 1.
sim::InstrumentConfig golden() {
    sim::InstrumentConfig c;
    c.address = 1;
    c.manufacturer = 0x26;
    c.deviceType = 0x06;
    c.deviceId = {0x12, 0x34, 0x56};
    c.deviceRevision = 9;
    c.softwareRevision = 3;
    c.hardwareRevision = 0x64;
    c.tag = QStringLiteral("pt-101"); // sent in upper case, padded with blanks
    c.descriptor = QStringLiteral("TEST DEVICE");
    c.date = QDate(2009, 3, 5);
    return c;
}

} // namespace

class SimAnswersTest : public QObject {
    Q_OBJECT

private slots:
    void goldenAnswers() {
        sim::Loop loop({golden()});
        // The primary master bit in the address byte is echoed.
        QCOMPARE(hex(loop.answerBytes(request(at(0x81), 0), 0)),
                 "FF FF FF FF FF 06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 00 12 34 56 49");
        QCOMPARE(hex(loop.answerBytes(request(kGoldenId, 13), 0)),
                 "FF FF FF FF FF 86 26 06 12 34 56 0D 17 00 00 41 4B 71 C3 18 20 50 54 D4 80 41 "
                 "56 24 31 60 82 08 20 05 03 6D BF");
    }

    // HART 7 keeps the hardware revision in bits 7 to 3 of data byte 7 and the physical
    // signalling code in bits 2 to 0: revision 3 on Bell 202 voltage (code 1) is 0x19.
    void goldenHart7Identity() {
        sim::InstrumentConfig c = golden();
        c.address = 2;
        c.hartRevision = 7;
        c.hardwareRevision = 3;
        c.physicalSignaling = 1;
        c.configChangeCounter = 0x0102;
        sim::Loop loop({c});
        QCOMPARE(hex(loop.answerBytes(request(at(0x82), 0), 0)),
                 "FF FF FF FF FF 06 82 00 18 00 00 FE 26 06 05 07 09 03 19 00 12 34 56 05 03 01 02 "
                 "00 00 26 00 26 01 27");
    }

    // Taken off the loop after its third answer: nothing more from it, whatever is asked.
    void leavesTheLoop() {
        sim::InstrumentConfig c = golden();
        c.faults.leaveAfter = 3;
        sim::Loop loop({c});
        QList<bool> answered;
        for (const QByteArray& r :
             {request(at(1), 0), request(kGoldenId, 13), request(kGoldenId, 3), request(at(1), 0),
              request(kGoldenId, 3)})
            answered << !checked(loop.answerBytes(r, 0)).isEmpty();
        QCOMPARE(answered, (QList<bool>{true, true, true, false, false}));
    }

    void answeredOrSilent_data() {
        QTest::addColumn<QByteArray>("frame");
        // After the echoed delimiter, address and command: byte count, response code and device
        // status. None: silence.
        QTest::addColumn<QByteArray>("codes");
        QByteArray badCheck = request(at(1), 0);
        badCheck.back() = char(badCheck.back() ^ 0x01);
        QTest::newRow("long, master and burst bits")
            << request(QByteArray::fromHex("E606123456"), 3) << QByteArray("06 00 00");
        QTest::newRow("other manufacturer bits")
            << request(QByteArray::fromHex("2706123456"), 13) << QByteArray();
        QTest::newRow("other device id")
            << request(QByteArray::fromHex("2606123457"), 13) << QByteArray();
        QTest::newRow("bad check") << badCheck << QByteArray();
        QTest::newRow("address not served") << request(at(3), 0) << QByteArray();
        QTest::newRow("polling address 17") << request(at(0x11), 0) << QByteArray();
        QTest::newRow("short frame, command 3") << request(at(1), 3) << QByteArray();
        QTest::newRow("one preamble byte") << request(at(1), 0, 1) << QByteArray();
        // The second instrument speaks HART 7 and plays faults.
        QTest::newRow("HART 7 command 0") << request(at(2), 0) << QByteArray("18 20 40");
        QTest::newRow("faults, manufacturer above 127")
            << request(kOtherId, 3) << QByteArray("06 20 40");
        QTest::newRow("faults, silent command") << request(kOtherId, 13) << QByteArray();
        QTest::newRow("faults, command 255") << request(kOtherId, 255) << QByteArray("02 40 40");
    }

    void answeredOrSilent() {
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, codes);
        sim::InstrumentConfig second = golden();
        second.address = 2;
        second.manufacturer = 0xC1; // above 127
        second.hartRevision = 7;
        second.faults.silentCommands = {13};
        second.faults.responseCode = 0x20;
        second.faults.deviceStatus = 0x40;
        sim::Loop loop({golden(), second});
        const QByteArray answer = loop.answerBytes(frame, 0);
        QCOMPARE(answer.isEmpty(), codes.isEmpty());
        QByteArray expected;
        if (!codes.isEmpty()) {
            expected = frame.mid(5).chopped(2) + QByteArray::fromHex(codes);
            expected[0] = char(expected[0] | 0x04); // acknowledgement
        }
        QCOMPARE(hex(checked(answer).left(expected.size())), hex(expected));
        // The next request is still heard.
        QVERIFY(!checked(loop.answerBytes(request(at(1), 0), 0)).isEmpty());
    }

    void commandThree_data() {
        using Shape = sim::Waveform::Shape;
        QTest::addColumn<int>("variables");
        QTest::addColumn<sim::Waveform>("wave"); // of the primary variable, over 20 to 220
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("pv");
        QTest::addColumn<double>("milliamperes");
        const auto constant = [](double value) { return sim::Waveform{Shape::Constant, value}; };
        // A period of 40 s; the phase of 5 s is added to the time.
        const sim::Waveform sine{Shape::Sine, 0, 20.0, 220.0, 40.0, 5.0};
        const sim::Waveform ramp{Shape::Ramp, 0, 20.0, 220.0, 40.0, 5.0};
        QTest::newRow("none: lower range value") << 0 << constant(0) << 0.0 << 20.0 << 4.0;
        QTest::newRow("two, sine top: upper value") << 2 << sine << 5.0 << 220.0 << 20.0;
        QTest::newRow("four, ramp half way") << 4 << ramp << 15.0 << 120.0 << 12.0;
        QTest::newRow("ramp starts again") << 1 << ramp << 45.0 << 70.0 << 8.0;
        QTest::newRow("above range saturates") << 1 << constant(400) << 0.0 << 400.0 << 20.5;
        QTest::newRow("below range saturates") << 1 << constant(-50) << 0.0 << -50.0 << 3.8;
    }

    void commandThree() {
        QFETCH(int, variables);
        QFETCH(sim::Waveform, wave);
        QFETCH(double, seconds);
        QFETCH(double, pv);
        QFETCH(double, milliamperes);
        sim::InstrumentConfig c = golden();
        c.address = 0; // point-to-point: the current follows the PV
        c.rangeLower = 20.0;
        c.rangeUpper = 220.0;
        const auto value = [&](int i) { return i == 0 ? pv : 1.5 * i; };
        for (int i = 0; i < variables; ++i)
            c.variables.push_back({quint8(30 + i), i == 0 ? wave : sim::Waveform{{}, value(i)}});
        sim::Loop loop({c});
        const QByteArray a =
            checked(loop.answerBytes(request(kGoldenId, 3), qint64(seconds * 1000)));
        QCOMPARE(a.size(), 10 + 4 + 5 * variables + 1);
        // IEEE 754 single precision, most significant byte first.
        QCOMPARE(double(qFromBigEndian<float>(a.constData() + 10)), double(float(milliamperes)));
        for (int i = 0; i < variables; ++i) {
            QCOMPARE(int(a.at(14 + 5 * i)), 30 + i);
            QCOMPARE(double(qFromBigEndian<float>(a.constData() + 15 + 5 * i)),
                     double(float(value(i))));
        }
    }

    void requestsInAnyChunks() {
        // Noise, a request, another instrument's answer on the line, a request with two preambles.
        const QByteArray stream = QByteArray::fromHex("00 13 FF") + request(at(1), 0) +
                                  QByteArray::fromHex("FFFFFF 06 02 00 02 00 00 06") +
                                  request(kGoldenId, 13, 2);
        sim::Loop reference({golden()});
        const QByteArray expected = reference.answerBytes(request(at(1), 0), 0) +
                                    reference.answerBytes(request(kGoldenId, 13), 0);
        for (const int chunk : {1, 4, int(stream.size())}) {
            sim::Loop loop({golden()});
            QByteArray answers;
            for (int i = 0; i < stream.size(); i += chunk)
                answers += loop.answerBytes(stream.mid(i, chunk), i);
            QCOMPARE(hex(answers), hex(expected));
        }
    }

    void tornFrameIsDroppedAfterAPause() {
        sim::Loop loop({golden()});
        QVERIFY(loop.answerBytes(request(kGoldenId, 3).left(9), 1000).isEmpty());
        // Without the pause these bytes would be taken as the rest of the torn frame.
        QVERIFY(!checked(loop.answerBytes(request(at(1), 0), 1700)).isEmpty());
    }

    // Status that changes as the instrument runs: configuration changed from the third answer,
    // PV out of limits while the PV (a 40 s sine over 20 to 220) is above 200.
    void statusChangesOverTime() {
        sim::InstrumentConfig c = golden();
        c.variables = {{32, sim::Waveform{sim::Waveform::Shape::Sine, 0, 20, 220, 40, 0}}};
        c.faults.configChangedAfter = 3;
        c.faults.pvHighLimit = 200.0;
        sim::Loop loop({c});
        QList<int> status;
        for (const qint64 ms : {0, 0, 0, 10000, 30000}) // mid, mid, mid, top, bottom
            status << quint8(checked(loop.answerBytes(request(kGoldenId, 3), ms)).at(9));
        QCOMPARE(status, (QList<int>{0x00, 0x00, 0x40, 0x41, 0x40}));
    }

    void corruptCheckEveryNthAnswer() {
        sim::InstrumentConfig c = golden();
        c.faults.corruptCheckEvery = 3;
        sim::Loop loop({c});
        QList<bool> good;
        for (int i = 0; i < 7; ++i)
            good << !checked(loop.answerBytes(request(kGoldenId, i % 2 ? 3 : 13), 0)).isEmpty();
        QCOMPARE(good, (QList<bool>{true, true, false, true, true, false, true}));
    }

    // The detail commands' data, by HART revision; 64 for what the instrument does not know.
    void detailAnswers_data() {
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("requestData"); // hex
        QTest::addColumn<QByteArray>("expected");    // response code and data, hex
        // The PV is a constant 25 kPa on a 0 to 100 range: 8 mA, 25 %.
        QTest::newRow("1") << 5 << 1 << QByteArray() << QByteArray("00 0C 41 C8 00 00");
        QTest::newRow("2") << 5 << 2 << QByteArray() << QByteArray("00 41 00 00 00 41 C8 00 00");
        QTest::newRow("15, HART 5") << 5 << 15 << QByteArray()
                                    << QByteArray("00 00 00 0C 42 C8 00 00 00 00 00 00 3F 00 00 "
                                                  "00 00 FA");
        QTest::newRow("15, HART 7") << 7 << 15 << QByteArray()
                                    << QByteArray("00 00 00 0C 42 C8 00 00 00 00 00 00 3F 00 00 "
                                                  "00 00 FA 00");
        QTest::newRow("16") << 5 << 16 << QByteArray() << QByteArray("00 01 E2 40");
        QTest::newRow("7, HART 5") << 5 << 7 << QByteArray() << QByteArray("40");
        QTest::newRow("7, HART 7") << 7 << 7 << QByteArray() << QByteArray("00 00 01");
        QTest::newRow("9, PV asked") << 7 << 9 << QByteArray("F6")
                                     << QByteArray("00 00 F6 41 0C 41 C8 00 00 C0 00 00 00 00");
        // Loop current, percent of range and PV by their codes; SV (247) is not configured.
        QTest::newRow("9, by code")
            << 7 << 9 << QByteArray("F5 F4 F7 F6")
            << QByteArray("00 00 F5 00 27 41 00 00 00 C0 F4 00 39 41 C8 00 00 C0 "
                          "F6 41 0C 41 C8 00 00 C0 00 00 00 00");
        QTest::newRow("33") << 7 << 33 << QByteArray("F5 00")
                            << QByteArray("00 F5 27 41 00 00 00 00 0C 41 C8 00 00");
        QTest::newRow("48, HART 5")
            << 5 << 48 << QByteArray() << QByteArray("00 00 00 00 00 00 00");
        QTest::newRow("unknown") << 7 << 130 << QByteArray() << QByteArray("40");
    }
    void detailAnswers() {
        QFETCH(int, revision);
        QFETCH(int, command);
        QFETCH(QByteArray, requestData);
        QFETCH(QByteArray, expected);
        sim::InstrumentConfig c = golden();
        c.address = 0;
        c.hartRevision = revision;
        c.rangeLower = 0;
        c.rangeUpper = 100;
        sim::VariableConfig pv;
        pv.units = 12; // kPa
        pv.wave.value = 25;
        c.variables = {pv};
        c.details.finalAssembly = 123456;
        c.details.classifications = {65, 0, 0, 0};
        sim::Loop loop({c});
        const QByteArray data = QByteArray::fromHex(requestData);
        QByteArray frame = '\x82' + kGoldenId + char(command) + char(data.size()) + data;
        char check = 0;
        for (const char b : frame)
            check ^= b;
        const QByteArray answer =
            checked(loop.answerBytes(QByteArray(5, '\xFF') + frame + check, 0));
        QVERIFY(!answer.isEmpty());
        // Delimiter, address, command and byte count aside; the device status byte too.
        const QByteArray body = answer.mid(1 + 5 + 2);
        QCOMPARE(hex(body.left(1) + body.mid(2).chopped(1)), expected);
    }

    // On a multidrop loop every instrument holds 4 mA: one whose loop current mode is off, or,
    // before HART 6, one at any polling address but 0. Its drift has nothing to move.
    void multidropHoldsFourMilliamperes_data() {
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("loopCurrentMode");
        QTest::addColumn<double>("milliamperes");
        QTest::newRow("HART 5 at 0") << 5 << 0 << 1 << 8.5; // 25 % of range, drifted 0.5
        QTest::newRow("HART 5 at 1") << 5 << 1 << 1 << 4.0;
        QTest::newRow("HART 7 at 3, mode on") << 7 << 3 << 1 << 8.5;
        QTest::newRow("HART 7 at 0, mode off") << 7 << 0 << 0 << 4.0;
    }
    void multidropHoldsFourMilliamperes() {
        QFETCH(int, revision);
        QFETCH(int, address);
        QFETCH(int, loopCurrentMode);
        QFETCH(double, milliamperes);
        sim::InstrumentConfig c = golden();
        c.hartRevision = revision;
        c.address = address;
        c.details.loopCurrentMode = loopCurrentMode;
        sim::VariableConfig pv;
        pv.wave.value = 25;
        c.variables = {pv};
        c.faults.analogDriftMa = 0.5;
        QCOMPARE(sim::commandThreeData(c, 0).left(4), protocol::encodeFloat(float(milliamperes)));
        const auto command2 = sim::detailData(c, 2, {}, 0);
        QVERIFY(command2);
        QCOMPARE(command2->left(4), protocol::encodeFloat(float(milliamperes)));
    }

    // The loop check's faults: the current sent drifts from the PV's, or is held and says so.
    void currentFaults() {
        sim::InstrumentConfig c = golden();
        c.address = 0;
        sim::VariableConfig pv;
        pv.wave.value = 25;
        c.variables = {pv};
        c.faults.analogDriftMa = 0.5;
        c.faults.moreStatus = true;
        QCOMPARE(sim::commandThreeData(c, 0).left(4), protocol::encodeFloat(8.5f));
        c.faults.fixedCurrentMa = 12.0;
        QCOMPARE(sim::commandThreeData(c, 0).left(4), protocol::encodeFloat(12.0f));
        sim::Loop loop({c});
        const QByteArray answer = checked(loop.answerBytes(request(kGoldenId, 3), 0));
        QCOMPARE(quint8(answer.at(1 + 5 + 3)), quint8(0x10 | 0x08)); // more status, fixed
    }
};

QTEST_APPLESS_MAIN(SimAnswersTest)
#include "tst_sim_answers.moc"
