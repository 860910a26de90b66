#include "hart_reader.h"

#include "sim/default_loop.h"
#include "sim/encoders.h"
#include "sim/loop.h"
#include "sim/waveform.h"

#include <QtTest>

using namespace simtest;

namespace {

// The identity of the golden command-0 answers: 26 06 12 34 56.
sim::InstrumentConfig goldenInstrument(int revision) {
    sim::InstrumentConfig c;
    c.address = 1;
    c.hartRevision = revision;
    c.manufacturer = 0x26;
    c.deviceType = 0x06;
    c.deviceId = {0x12, 0x34, 0x56};
    c.deviceRevision = revision == 5 ? 9 : 7;
    c.softwareRevision = 3;
    c.hardwareRevision = 0x64;
    c.tag = QStringLiteral("PT-101");
    c.descriptor = QStringLiteral("TEST DEVICE");
    c.date = QDate(2009, 3, 5);
    return c;
}

sim::VariableConfig constantVariable(quint8 units, double value) {
    sim::VariableConfig v;
    v.units = units;
    v.wave.value = value;
    return v;
}

QByteArray longAddress(const sim::InstrumentConfig& c) {
    return QByteArray(1, static_cast<char>(c.manufacturer)) +
           QByteArray(1, static_cast<char>(c.deviceType)) +
           QByteArray(reinterpret_cast<const char*>(c.deviceId.data()), 3);
}

QByteArray shortAddress(int address) {
    return QByteArray(1, static_cast<char>(address));
}

} // namespace

class SimAnswersTest : public QObject {
    Q_OBJECT

private slots:
    void floatsEncodeBigEndianSingle_data();
    void floatsEncodeBigEndianSingle();
    void textPacksSixBitCodes_data();
    void textPacksSixBitCodes();
    void commandZeroMatchesGoldenHart5Answer();
    void commandZeroLength_data();
    void commandZeroLength();
    void longAddressMatchesThirtyEightBits_data();
    void longAddressMatchesThirtyEightBits();
    void silence_data();
    void silence();
    void unknownCommandAnswersNotImplemented_data();
    void unknownCommandAnswersNotImplemented();
    void commandThirteenCarriesTagDescriptorDate();
    void commandThreeSendsConfiguredVariables_data();
    void commandThreeSendsConfiguredVariables();
    void loopCurrentFollowsPrimaryVariable_data();
    void loopCurrentFollowsPrimaryVariable();
    void waveforms_data();
    void waveforms();
    void requestsInAnyChunks_data();
    void requestsInAnyChunks();
    void tornFrameIsDroppedAfterAPause();
    void silentCommandFault();
    void corruptCheckEveryNthAnswer();
    void responseCodeAndStatusFaults();
    void defaultLoopServesThreeInstruments();
};

void SimAnswersTest::floatsEncodeBigEndianSingle_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("4 mA") << 4.0 << fromHex("40800000");
    QTest::newRow("12.5 mA") << 12.5 << fromHex("41480000");
    QTest::newRow("-10") << -10.0 << fromHex("C1200000");
    QTest::newRow("1.23456") << 1.23456 << fromHex("3F9E0610");
    QTest::newRow("23.5") << 23.5 << fromHex("41BC0000");
    QTest::newRow("zero") << 0.0 << fromHex("00000000");
}

void SimAnswersTest::floatsEncodeBigEndianSingle() {
    QFETCH(double, value);
    QFETCH(QByteArray, bytes);
    QCOMPARE(sim::encodeFloat(value).toHex(), bytes.toHex());
}

void SimAnswersTest::textPacksSixBitCodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("characters");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("tag") << "PT-101" << 8 << fromHex("414B71C31820");
    QTest::newRow("lower case goes as capitals") << "pt-101" << 8 << fromHex("414B71C31820");
    QTest::newRow("descriptor") << "TEST DEVICE" << 16 << fromHex("5054D4804156243160820820");
    QTest::newRow("empty is blanks") << "" << 8 << fromHex("820820820820");
    QTest::newRow("too long is cut") << "ABCDEFGHIJ" << 8 << fromHex("0420C41461C8");
}

void SimAnswersTest::textPacksSixBitCodes() {
    QFETCH(QString, text);
    QFETCH(int, characters);
    QFETCH(QByteArray, bytes);
    const QByteArray packed = sim::packAscii(text, characters);
    QCOMPARE(packed.toHex(), bytes.toHex());
    QCOMPARE(readPacked(packed, 0, packed.size()),
             text.toUpper().left(characters).leftJustified(characters));
}

void SimAnswersTest::commandZeroMatchesGoldenHart5Answer() {
    sim::Loop loop({goldenInstrument(5)});
    // Primary master bit set in the address byte, echoed in the answer.
    const QByteArray answer = loop.answerBytes(request(shortAddress(0x81), 0), 0);
    QCOMPARE(answer.toHex(' '),
             (QByteArray(5, '\xFF') +
              fromHex("06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 00 12 34 56 49"))
                 .toHex(' '));
}

void SimAnswersTest::commandZeroLength_data() {
    QTest::addColumn<int>("revision");
    QTest::addColumn<int>("dataBytes");
    QTest::newRow("HART 5") << 5 << 12;
    QTest::newRow("HART 7") << 7 << 22;
}

void SimAnswersTest::commandZeroLength() {
    QFETCH(int, revision);
    QFETCH(int, dataBytes);
    sim::Loop loop({goldenInstrument(revision)});
    const Answer a = readAnswer(loop.answerBytes(request(shortAddress(1), 0), 0));
    QVERIFY(a.checkOk());
    QCOMPARE(a.delimiter, quint8(0x06));
    QCOMPARE(a.address, shortAddress(1));
    QCOMPARE(a.byteCount, dataBytes + 2);
    QCOMPARE(a.data.size(), dataBytes);
    QCOMPARE(a.at(0), quint8(254));
    QCOMPARE(a.at(4), quint8(revision));
    QCOMPARE(a.data.mid(9, 3), fromHex("123456"));
    QCOMPARE(a.preambles, 5);
}

void SimAnswersTest::longAddressMatchesThirtyEightBits_data() {
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("answered");
    QTest::newRow("as identified") << fromHex("2606123456") << true;
    QTest::newRow("master bit") << fromHex("A606123456") << true;
    QTest::newRow("burst bit") << fromHex("6606123456") << true;
    QTest::newRow("master and burst bits") << fromHex("E606123456") << true;
    QTest::newRow("other manufacturer bits") << fromHex("2706123456") << false;
    QTest::newRow("other device type") << fromHex("2607123456") << false;
    QTest::newRow("other device id") << fromHex("2606123457") << false;
    QTest::newRow("broadcast") << fromHex("0000000000") << false;
}

void SimAnswersTest::longAddressMatchesThirtyEightBits() {
    QFETCH(QByteArray, address);
    QFETCH(bool, answered);
    sim::Loop loop({goldenInstrument(5)});
    const Answer a = readAnswer(loop.answerBytes(request(address, 13), 0));
    QCOMPARE(a.complete, answered);
    if (!answered)
        return;
    QVERIFY(a.checkOk());
    QCOMPARE(a.delimiter, quint8(0x86));
    QCOMPARE(a.address.toHex(), address.toHex());
    QCOMPARE(a.command, quint8(13));
}

void SimAnswersTest::silence_data() {
    QTest::addColumn<QByteArray>("frame");
    QByteArray badCheck = request(shortAddress(1), 0);
    badCheck.back() = static_cast<char>(badCheck.back() ^ 0x01);
    QByteArray badLongCheck = request(fromHex("2606123456"), 3);
    badLongCheck.back() = static_cast<char>(badLongCheck.back() ^ 0x80);
    QTest::newRow("bad check, short") << badCheck;
    QTest::newRow("bad check, long") << badLongCheck;
    QTest::newRow("polling address not served") << request(shortAddress(3), 0);
    QTest::newRow("polling address 17") << request(shortAddress(0x11), 0);
    QTest::newRow("short frame, command 3") << request(shortAddress(1), 3);
    QTest::newRow("one preamble byte") << request(shortAddress(1), 0, 1);
    QTest::newRow("no preamble") << request(shortAddress(1), 0, 0);
}

void SimAnswersTest::silence() {
    QFETCH(QByteArray, frame);
    sim::Loop loop({goldenInstrument(5)});
    const std::vector<sim::Exchange> exchanges = loop.receive(frame, 0);
    for (const sim::Exchange& e : exchanges)
        QVERIFY(e.answer.isEmpty());
    // A well-formed request right after it is still heard.
    QVERIFY(readAnswer(loop.answerBytes(request(shortAddress(1), 0), 0)).checkOk());
}

void SimAnswersTest::unknownCommandAnswersNotImplemented_data() {
    QTest::addColumn<int>("command");
    QTest::newRow("1") << 1;
    QTest::newRow("48") << 48;
    QTest::newRow("255") << 255;
}

void SimAnswersTest::unknownCommandAnswersNotImplemented() {
    QFETCH(int, command);
    sim::Loop loop({goldenInstrument(7)});
    const Answer a = readAnswer(loop.answerBytes(request(fromHex("2606123456"), command), 0));
    QVERIFY(a.checkOk());
    QCOMPARE(int(a.command), command);
    QCOMPARE(a.responseCode, quint8(64));
    QCOMPARE(a.byteCount, 2);
}

void SimAnswersTest::commandThirteenCarriesTagDescriptorDate() {
    sim::Loop loop({goldenInstrument(5)});
    const Answer a = readAnswer(loop.answerBytes(request(fromHex("2606123456"), 13), 0));
    QVERIFY(a.checkOk());
    QCOMPARE(a.byteCount, 23);
    QCOMPARE(readPacked(a.data, 0, 6), QStringLiteral("PT-101  "));
    QCOMPARE(readPacked(a.data, 6, 12), QStringLiteral("TEST DEVICE     "));
    QCOMPARE(a.data.mid(18).toHex(), QByteArray("05036d"));
}

void SimAnswersTest::commandThreeSendsConfiguredVariables_data() {
    QTest::addColumn<int>("variables");
    QTest::addColumn<int>("byteCount");
    QTest::newRow("none") << 0 << 6;
    QTest::newRow("one") << 1 << 11;
    QTest::newRow("two") << 2 << 16;
    QTest::newRow("four") << 4 << 26;
}

void SimAnswersTest::commandThreeSendsConfiguredVariables() {
    QFETCH(int, variables);
    QFETCH(int, byteCount);
    sim::InstrumentConfig c = goldenInstrument(7);
    for (int i = 0; i < variables; ++i)
        c.variables.push_back(constantVariable(static_cast<quint8>(30 + i), 1.5 * (i + 1)));
    sim::Loop loop({c});
    const Answer a = readAnswer(loop.answerBytes(request(longAddress(c), 3), 0));
    QVERIFY(a.checkOk());
    QCOMPARE(a.byteCount, byteCount);
    for (int i = 0; i < variables; ++i) {
        QCOMPARE(int(a.at(4 + 5 * i)), 30 + i);
        QCOMPARE(readFloat(a.data, 5 + 5 * i), 1.5 * (i + 1));
    }
}

void SimAnswersTest::loopCurrentFollowsPrimaryVariable_data() {
    QTest::addColumn<double>("pv");
    QTest::addColumn<double>("milliamperes");
    QTest::newRow("lower range value") << 20.0 << 4.0;
    QTest::newRow("middle") << 120.0 << 12.0;
    QTest::newRow("upper range value") << 220.0 << 20.0;
    QTest::newRow("above range saturates") << 400.0 << 20.5;
    QTest::newRow("below range saturates") << -50.0 << 3.8;
}

void SimAnswersTest::loopCurrentFollowsPrimaryVariable() {
    QFETCH(double, pv);
    QFETCH(double, milliamperes);
    sim::InstrumentConfig c = goldenInstrument(5);
    c.rangeLower = 20.0;
    c.rangeUpper = 220.0;
    c.variables = {constantVariable(12, pv)};
    sim::Loop loop({c});
    const Answer a = readAnswer(loop.answerBytes(request(longAddress(c), 3), 0));
    QVERIFY(a.checkOk());
    QCOMPARE(readFloat(a.data, 0), double(float(milliamperes)));
}

void SimAnswersTest::waveforms_data() {
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("value");
    const int sine = int(sim::Waveform::Shape::Sine);
    const int ramp = int(sim::Waveform::Shape::Ramp);
    QTest::newRow("sine starts mid-way") << sine << 0.0 << 15.0;
    QTest::newRow("sine top at a quarter") << sine << 10.0 << 20.0;
    QTest::newRow("sine bottom at three quarters") << sine << 30.0 << 10.0;
    QTest::newRow("ramp starts at min") << ramp << 0.0 << 10.0;
    QTest::newRow("ramp half way") << ramp << 20.0 << 15.0;
    QTest::newRow("ramp starts again") << ramp << 50.0 << 12.5;
}

void SimAnswersTest::waveforms() {
    QFETCH(int, shape);
    QFETCH(double, seconds);
    QFETCH(double, value);
    sim::Waveform w;
    w.shape = sim::Waveform::Shape(shape);
    w.min = 10.0;
    w.max = 20.0;
    w.period = 40.0;
    QVERIFY(qAbs(w.valueAt(seconds) - value) < 1e-9);
}

void SimAnswersTest::requestsInAnyChunks_data() {
    QTest::addColumn<int>("chunk");
    QTest::newRow("one byte at a time") << 1;
    QTest::newRow("three bytes") << 3;
    QTest::newRow("all at once") << 1000;
}

void SimAnswersTest::requestsInAnyChunks() {
    QFETCH(int, chunk);
    sim::InstrumentConfig c = goldenInstrument(5);
    sim::Loop loop({c});
    // Noise, a request, an answer of another instrument on the line, a second request.
    const QByteArray stream = fromHex("00 13 FF") + request(shortAddress(1), 0) +
                              fromHex("FFFFFF 06 02 00 02 00 00 06") +
                              request(longAddress(c), 13, 2);
    QByteArray answers;
    for (int i = 0; i < stream.size(); i += chunk)
        answers += loop.answerBytes(stream.mid(i, chunk), i);
    const Answer first = readAnswer(answers);
    QVERIFY(first.checkOk());
    QCOMPARE(first.command, quint8(0));
    const Answer second = readAnswer(answers.mid(first.length));
    QVERIFY(second.checkOk());
    QCOMPARE(second.command, quint8(13));
    QCOMPARE(first.length + second.length, answers.size());
}

void SimAnswersTest::tornFrameIsDroppedAfterAPause() {
    sim::Loop loop({goldenInstrument(5)});
    const QByteArray full = request(fromHex("2606123456"), 3);
    QVERIFY(loop.answerBytes(full.left(9), 1000).isEmpty());
    // Without the pause these bytes would be taken as the rest of the torn frame.
    QVERIFY(readAnswer(loop.answerBytes(request(shortAddress(1), 0), 1700)).checkOk());
}

void SimAnswersTest::silentCommandFault() {
    sim::InstrumentConfig c = goldenInstrument(5);
    c.faults.silentCommands = {13};
    sim::Loop loop({c});
    QVERIFY(readAnswer(loop.answerBytes(request(shortAddress(1), 0), 0)).checkOk());
    QVERIFY(loop.answerBytes(request(longAddress(c), 13), 0).isEmpty());
    QVERIFY(readAnswer(loop.answerBytes(request(longAddress(c), 3), 0)).checkOk());
}

void SimAnswersTest::corruptCheckEveryNthAnswer() {
    sim::InstrumentConfig c = goldenInstrument(5);
    c.faults.corruptCheckEvery = 3;
    sim::Loop loop({c});
    QList<bool> good;
    for (int i = 0; i < 7; ++i) {
        const Answer a = readAnswer(loop.answerBytes(request(longAddress(c), i % 2 ? 3 : 13), 0));
        QVERIFY(a.complete);
        good << a.checkOk();
    }
    QCOMPARE(good, (QList<bool>{true, true, false, true, true, false, true}));
}

void SimAnswersTest::responseCodeAndStatusFaults() {
    sim::InstrumentConfig c = goldenInstrument(7);
    c.faults.responseCode = 0x20;
    c.faults.deviceStatus = 0x40;
    sim::Loop loop({c});
    const Answer served = readAnswer(loop.answerBytes(request(longAddress(c), 13), 0));
    QVERIFY(served.checkOk());
    QCOMPARE(served.responseCode, quint8(0x20));
    QCOMPARE(served.deviceStatus, quint8(0x40));
    QCOMPARE(served.byteCount, 23);
    const Answer unknown = readAnswer(loop.answerBytes(request(longAddress(c), 50), 0));
    QCOMPARE(unknown.responseCode, quint8(64));
    QCOMPARE(unknown.deviceStatus, quint8(0x40));
}

void SimAnswersTest::defaultLoopServesThreeInstruments() {
    sim::Loop loop(sim::defaultLoop());
    QCOMPARE(loop.instrumentCount(), 3);
    const QMap<int, QPair<int, int>> expected{{1, {5, 26}}, {2, {7, 26}}, {5, {7, 16}}};
    for (int address = 0; address < 16; ++address) {
        const Answer zero = readAnswer(loop.answerBytes(request(shortAddress(address), 0), 0));
        QCOMPARE(zero.complete, expected.contains(address));
        if (!zero.complete)
            continue;
        QVERIFY(zero.checkOk());
        const int revision = expected.value(address).first;
        QCOMPARE(int(zero.at(4)), revision);
        QCOMPARE(zero.data.size(), revision == 5 ? 12 : 22);
        const QByteArray identity = zero.data.mid(1, 2) + zero.data.mid(9, 3);
        const Answer tag = readAnswer(loop.answerBytes(request(identity, 13), 0));
        QVERIFY(tag.checkOk());
        QVERIFY(!readPacked(tag.data, 0, 6).trimmed().isEmpty());
        const Answer values = readAnswer(loop.answerBytes(request(identity, 3), 60000));
        QVERIFY(values.checkOk());
        QCOMPARE(values.byteCount, expected.value(address).second);
        const double current = readFloat(values.data, 0);
        QVERIFY2(current > 4.0 && current < 20.0, qPrintable(QString::number(current)));
    }
}

QTEST_APPLESS_MAIN(SimAnswersTest)
#include "tst_sim_answers.moc"
