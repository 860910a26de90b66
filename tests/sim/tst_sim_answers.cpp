#include "hart_reader.h"

#include "sim/default_loop.h"
#include "sim/encoders.h"
#include "sim/loop.h"
#include "sim/waveform.h"

#include <QtTest>

using namespace simtest;

namespace {

const QByteArray kGoldenId = fromHex("2606123456");
const QByteArray kOtherId = fromHex("C102000007"); // manufacturer code above 127

sim::InstrumentConfig instrument(int address, const QByteArray& id) {
    sim::InstrumentConfig c;
    c.address = address;
    c.manufacturer = quint8(id[0]);
    c.deviceType = quint8(id[1]);
    c.deviceId = {quint8(id[2]), quint8(id[3]), quint8(id[4])};
    return c;
}

// The instrument of the golden command-0 answer, at polling address 1.
sim::InstrumentConfig golden() {
    sim::InstrumentConfig c = instrument(1, kGoldenId);
    c.deviceRevision = 9;
    c.softwareRevision = 3;
    c.hardwareRevision = 0x64;
    c.tag = QStringLiteral("PT-101");
    c.descriptor = QStringLiteral("TEST DEVICE");
    c.date = QDate(2009, 3, 5);
    return c;
}

QByteArray at(int address) {
    return QByteArray(1, char(address));
}

} // namespace

class SimAnswersTest : public QObject {
    Q_OBJECT

private slots:
    void encoders_data() {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("4.0") << sim::encodeFloat(4.0) << fromHex("40800000");
        QTest::newRow("-10") << sim::encodeFloat(-10.0) << fromHex("C1200000");
        QTest::newRow("1.23456 rounds") << sim::encodeFloat(1.23456) << fromHex("3F9E0610");
        QTest::newRow("tag padded") << sim::packAscii("PT-101", 8) << fromHex("414B71C31820");
        QTest::newRow("lower case") << sim::packAscii("pt-101", 8) << fromHex("414B71C31820");
        QTest::newRow("cut") << sim::packAscii("ABCDEFGHIJ", 8) << fromHex("0420C41461C8");
    }

    void encoders() {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, bytes);
        QCOMPARE(encoded.toHex(' '), bytes.toHex(' '));
    }

    void goldenInstrumentAnswers() {
        sim::Loop loop({golden()});
        // The primary master bit in the address byte is echoed.
        QCOMPARE(loop.answerBytes(request(at(0x81), 0), 0).toHex(' '),
                 fromHex("FFFFFFFFFF 06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 00 12 34 56 49")
                     .toHex(' '));
        const Answer a = readAnswer(loop.answerBytes(request(kGoldenId, 13), 0));
        QVERIFY(a.checkOk);
        QCOMPARE(readPacked(a.data, 0, 6), QStringLiteral("PT-101  "));
        QCOMPARE(readPacked(a.data, 6, 12), QStringLiteral("TEST DEVICE     "));
        QCOMPARE(a.data.mid(18).toHex(), QByteArray("05036d"));
    }

    void answeredOrSilent_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("responseCode"); // -1: silence
        QTest::addColumn<int>("deviceStatus");
        QByteArray badCheck = request(at(1), 0);
        badCheck.back() = char(badCheck.back() ^ 0x01);
        QTest::newRow("long, master bit") << request(fromHex("A606123456"), 13) << 0 << 0;
        QTest::newRow("long, master and burst bits") << request(fromHex("E606123456"), 3) << 0 << 0;
        QTest::newRow("other manufacturer bits") << request(fromHex("2706123456"), 13) << -1 << 0;
        QTest::newRow("other device id") << request(fromHex("2606123457"), 13) << -1 << 0;
        QTest::newRow("bad check") << badCheck << -1 << 0;
        QTest::newRow("address not served") << request(at(3), 0) << -1 << 0;
        QTest::newRow("polling address 17") << request(at(0x11), 0) << -1 << 0;
        QTest::newRow("short frame, command 3") << request(at(1), 3) << -1 << 0;
        QTest::newRow("one preamble byte") << request(at(1), 0, 1) << -1 << 0;
        // The second instrument plays faults.
        QTest::newRow("faults, manufacturer above 127") << request(kOtherId, 3) << 0x20 << 0x40;
        QTest::newRow("faults, silent command") << request(kOtherId, 13) << -1 << 0;
        QTest::newRow("faults, command 255") << request(kOtherId, 255) << 64 << 0x40;
    }

    void answeredOrSilent() {
        QFETCH(QByteArray, frame);
        QFETCH(int, responseCode);
        QFETCH(int, deviceStatus);
        sim::InstrumentConfig second = instrument(2, kOtherId);
        second.faults = {{13}, 0, 0x20, 0x40};
        sim::Loop loop({golden(), second});
        const Answer a = readAnswer(loop.answerBytes(frame, 0));
        const Answer asked = readAnswer(frame);
        QCOMPARE(a.complete, responseCode >= 0);
        if (a.complete) {
            QVERIFY(a.checkOk);
            QCOMPARE(a.delimiter, asked.delimiter | 0x04);
            QCOMPARE(a.address.toHex(), asked.address.toHex());
            QCOMPARE(a.command, asked.command);
            QCOMPARE(a.responseCode, responseCode);
            QCOMPARE(a.deviceStatus, deviceStatus);
            QCOMPARE(a.data.isEmpty(), responseCode == 64);
        }
        // The next request is still heard.
        QVERIFY(readAnswer(loop.answerBytes(request(at(1), 0), 0)).checkOk);
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
        QTest::newRow("one, middle") << 1 << constant(120) << 0.0 << 120.0 << 12.0;
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
        c.rangeLower = 20.0;
        c.rangeUpper = 220.0;
        const auto value = [&](int i) { return i == 0 ? pv : 1.5 * i; };
        for (int i = 0; i < variables; ++i)
            c.variables.push_back({quint8(30 + i), i == 0 ? wave : sim::Waveform{{}, value(i)}});
        sim::Loop loop({c});
        const Answer a =
            readAnswer(loop.answerBytes(request(kGoldenId, 3), qint64(seconds * 1000)));
        QVERIFY(a.checkOk);
        QCOMPARE(a.byteCount, 6 + 5 * variables);
        QCOMPARE(readFloat(a.data, 0), double(float(milliamperes)));
        for (int i = 0; i < variables; ++i) {
            QCOMPARE(a.at(4 + 5 * i), 30 + i);
            QCOMPARE(readFloat(a.data, 5 + 5 * i), double(float(value(i))));
        }
    }

    void requestsInAnyChunks() {
        // Noise, a request, another instrument's answer on the line, a request with two preambles.
        const QByteArray stream = fromHex("00 13 FF") + request(at(1), 0) +
                                  fromHex("FFFFFF 06 02 00 02 00 00 06") +
                                  request(kGoldenId, 13, 2);
        for (const int chunk : {1, 4, int(stream.size())}) {
            sim::Loop loop({golden()});
            QByteArray answers;
            for (int i = 0; i < stream.size(); i += chunk)
                answers += loop.answerBytes(stream.mid(i, chunk), i);
            const Answer first = readAnswer(answers);
            const Answer second = readAnswer(answers.mid(first.length));
            QVERIFY2(first.checkOk && second.checkOk && first.command == 0 &&
                         second.command == 13 && first.length + second.length == answers.size(),
                     qPrintable(QString::number(chunk)));
        }
    }

    void tornFrameIsDroppedAfterAPause() {
        sim::Loop loop({golden()});
        QVERIFY(loop.answerBytes(request(kGoldenId, 3).left(9), 1000).isEmpty());
        // Without the pause these bytes would be taken as the rest of the torn frame.
        QVERIFY(readAnswer(loop.answerBytes(request(at(1), 0), 1700)).checkOk);
    }

    void corruptCheckEveryNthAnswer() {
        sim::InstrumentConfig c = golden();
        c.faults.corruptCheckEvery = 3;
        sim::Loop loop({c});
        QList<bool> good;
        for (int i = 0; i < 7; ++i)
            good << readAnswer(loop.answerBytes(request(kGoldenId, i % 2 ? 3 : 13), 0)).checkOk;
        QCOMPARE(good, (QList<bool>{true, true, false, true, true, false, true}));
    }

    void defaultLoopServesThreeInstruments() {
        sim::Loop loop(sim::defaultLoop());
        // Address: command-0 data bytes (HART 5 or 7), command-3 byte count (the flow meter
        // sends two variables).
        const QMap<int, QPair<int, int>> expected{{1, {12, 26}}, {2, {22, 26}}, {5, {22, 16}}};
        for (int address = 0; address < 16; ++address) {
            const Answer zero = readAnswer(loop.answerBytes(request(at(address), 0), 0));
            QCOMPARE(zero.complete, expected.contains(address));
            if (!zero.complete)
                continue;
            QVERIFY(zero.checkOk);
            QCOMPARE(zero.data.size(), expected[address].first);
            QCOMPARE(zero.at(4), zero.data.size() == 12 ? 5 : 7);
            const QByteArray id = zero.data.mid(1, 2) + zero.data.mid(9, 3);
            const Answer tag = readAnswer(loop.answerBytes(request(id, 13), 0));
            QVERIFY(tag.checkOk && !readPacked(tag.data, 0, 6).trimmed().isEmpty());
            const Answer values = readAnswer(loop.answerBytes(request(id, 3), 60000));
            QVERIFY(values.checkOk);
            QCOMPARE(values.byteCount, expected[address].second);
            const double current = readFloat(values.data, 0);
            QVERIFY2(current > 4.0 && current < 20.0, qPrintable(QString::number(current)));
        }
    }
};

QTEST_APPLESS_MAIN(SimAnswersTest)
#include "tst_sim_answers.moc"
