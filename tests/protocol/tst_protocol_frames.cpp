// Request frames, the check byte, the hex dump and the acceptance of answers.

#include "protocol/frame.h"
#include "test_frames.h"

#include <QtTest>

using namespace protocol;
using ptest::bytes;
using ptest::hex;

namespace {

Device_Record recordFor(const ptest::Identity& id) {
    Device_Record r;
    r.Manufacturer_ID = qint16(id.manufacturer);
    r.Device_Type = qint16(id.type);
    r.Device_ID1 = qint16(id.id1);
    r.Device_ID2 = qint16(id.id2);
    r.Device_ID3 = qint16(id.id3);
    r.Long_Address = bytes({id.manufacturer, id.type, id.id1, id.id2, id.id3});
    return r;
}

} // namespace

class TestProtocolFrames : public QObject {
    Q_OBJECT
private slots:
    void shortRequest_data();
    void shortRequest();
    void longRequest_data();
    void longRequest();
    void longRequestToEmptyRecord();
    void otherCommandsGiveNoFrame();
    void checkByteOfRuns_data();
    void checkByteOfRuns();
    void dump_data();
    void dump();
    void answerAcceptance_data();
    void answerAcceptance();
};

void TestProtocolFrames::shortRequest_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("address 1") << 1 << hex("FF FF FF FF 02 01 00 00 03");
    QTest::newRow("address 15") << 15 << hex("FF FF FF FF 02 0F 00 00 0D");
    QTest::newRow("address 0") << 0 << hex("FF FF FF FF 02 00 00 00 02");
    QTest::newRow("address 10") << 10 << hex("FF FF FF FF 02 0A 00 00 08");
}

void TestProtocolFrames::shortRequest() {
    QFETCH(int, address);
    QFETCH(QByteArray, frame);
    // A filled table must not leak into the short frame.
    DeviceTable table{};
    for (auto& r : table)
        r = recordFor(ptest::Identity{0xA6, 0x06, 0x12, 0x34, 0x56});
    QCOMPARE(Build_Request(0, qint16(address), table).toHex(' '), frame.toHex(' '));
}

void TestProtocolFrames::longRequest_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("manufacturer");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("command 3") << 3 << 0x26 << hex("FF FF FF FF FF 82 26 06 12 34 56 03 00 D1");
    QTest::newRow("command 13") << 13 << 0x26 << hex("FF FF FF FF FF 82 26 06 12 34 56 0D 00 DF");
    // A manufacturer code with bit 7 set goes out unchanged.
    QTest::newRow("manufacturer A6")
        << 3 << 0xA6 << hex("FF FF FF FF FF 82 A6 06 12 34 56 03 00 51");
}

void TestProtocolFrames::longRequest() {
    QFETCH(int, command);
    QFETCH(int, manufacturer);
    QFETCH(QByteArray, frame);
    DeviceTable table{};
    table[7] = recordFor(ptest::Identity{manufacturer, 0x06, 0x12, 0x34, 0x56});
    QCOMPARE(Build_Request(qint16(command), 7, table).toHex(' '), frame.toHex(' '));
    // The record of another address is not used.
    QVERIFY(Build_Request(qint16(command), 6, table) != frame);
}

void TestProtocolFrames::longRequestToEmptyRecord() {
    const DeviceTable table{};
    QCOMPARE(Build_Request(3, 4, table).toHex(' '), hex("FF FF FF FF FF 82 03 00 81").toHex(' '));
    QCOMPARE(Build_Request(13, 4, table).toHex(' '), hex("FF FF FF FF FF 82 0D 00 8F").toHex(' '));
}

void TestProtocolFrames::otherCommandsGiveNoFrame() {
    DeviceTable table{};
    table[2] = recordFor(ptest::Identity{});
    for (qint16 command : {1, 2, 12, 14, -1, 48})
        QVERIFY2(Build_Request(command, 2, table).isEmpty(), qPrintable(QString::number(command)));
}

void TestProtocolFrames::checkByteOfRuns_data() {
    QTest::addColumn<QByteArray>("run");
    QTest::addColumn<int>("check");
    QTest::newRow("nothing") << QByteArray() << 0;
    QTest::newRow("short request") << hex("02 01 00 00") << 0x03;
    QTest::newRow("long request") << hex("82 26 06 12 34 56 0D 00") << 0xDF;
    QTest::newRow("all bits") << hex("FF 00 FF FF") << 0xFF;
    QTest::newRow("hart 5 answer")
        << hex("06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 00 12 34 56") << 0x49;
}

void TestProtocolFrames::checkByteOfRuns() {
    QFETCH(QByteArray, run);
    QFETCH(int, check);
    QCOMPARE(int(checkByte(run)), check);
}

void TestProtocolFrames::dump_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("dump");
    QTest::newRow("nothing") << QByteArray() << QString();
    QTest::newRow("preamble and bytes") << bytes({255, 255, 6, 128}) << " FF FF 06 80";
    QTest::newRow("leading zero digit") << bytes({0, 1, 10, 15, 16}) << " 00 01 0A 0F 10";
    QTest::newRow("eight bytes") << hex("FF FF FF FF FF 06 01 00") << " FF FF FF FF FF 06 01 00";
    QTest::newRow("upper case") << hex("AB CD EF") << " AB CD EF";
}

void TestProtocolFrames::dump() {
    QFETCH(QByteArray, answer);
    QFETCH(QString, dump);
    QCOMPARE(hexDump(answer), dump);
}

void TestProtocolFrames::answerAcceptance_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("sent");
    QTest::addColumn<bool>("good");
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<int>("check");

    const QByteArray c0 = ptest::goldenCommand0Hart5();
    const QByteArray c7 = ptest::goldenCommand0Hart7();
    const QByteArray c3 = ptest::goldenCommand3();
    const QByteArray c13 = ptest::goldenCommand13();

    QTest::newRow("command 0, hart 5") << c0 << 0 << true << 14 << 0x49;
    QTest::newRow("command 0, hart 7") << c7 << 0 << true << 24 << 0x57;
    QTest::newRow("command 3") << c3 << 3 << true << 26 << 0x20;
    QTest::newRow("command 13") << c13 << 13 << true << 23 << 0x3F;
    QTest::newRow("bytes after the frame") << c0 + hex("12 34 56") << 0 << true << 14 << 0x49;

    // Nothing can be good that did not arrive in full.
    QTest::newRow("nothing, command 0") << QByteArray() << 0 << false << 0 << 0;
    QTest::newRow("nothing, command 3") << QByteArray() << 3 << false << 0 << 0;
    QTest::newRow("nothing, command 13") << QByteArray() << 13 << false << 0 << 0;
    QTest::newRow("check byte missing") << c0.left(c0.size() - 1) << 0 << false << 0 << 0;
    QTest::newRow("hart 7 cut at 23 bytes") << c7.left(23) << 0 << false << 0 << 0;
    QTest::newRow("header only") << c13.left(8) << 13 << false << 0 << 0;
    QTest::newRow("delimiter only") << c13.left(1) << 13 << false << 0 << 0;
    QTest::newRow("all preamble bytes") << QByteArray(6, char(0xFF)) << 0 << false << 0 << 0;
    QTest::newRow("byte count beyond the answer")
        << ptest::withCheck(hex("06 81 00 FF 00 00")) << 0 << false << 0 << 0;

    // Corruption anywhere before the check byte, or of the check byte itself.
    QByteArray data = c3;
    data[12] = char(data[12] ^ 0x01);
    QTest::newRow("data byte flipped") << data << 3 << false << 0 << 0;
    QByteArray check = c13;
    check[31] = char(check[31] ^ 0x80);
    QTest::newRow("check byte flipped") << check << 13 << false << 0 << 0;

    // The answer of another command is not taken for the one sent.
    QTest::newRow("answer to 13 when 3 was sent") << c13 << 3 << false << 0 << 0;
    QTest::newRow("answer to 3 when 0 was sent") << c3 << 0 << false << 0 << 0;

    // A frame whose own check byte is 20, cut just before it: the fill value in that cell must
    // not stand in for the missing check byte.
    QByteArray tuned = ptest::command0Answer(1, ptest::Identity{});
    tuned[14] = char(tuned[14] ^ tuned[18] ^ 20);
    tuned[18] = char(20);
    QTest::newRow("tuned frame complete") << tuned << 0 << true << 14 << 20;
    QTest::newRow("tuned frame, check byte missing") << tuned.left(18) << 0 << false << 0 << 0;
}

void TestProtocolFrames::answerAcceptance() {
    QFETCH(QByteArray, answer);
    QFETCH(int, sent);
    QFETCH(bool, good);
    QFETCH(int, byteCount);
    QFETCH(int, check);

    ProtocolState state;
    ptest::storeAnswer(state, answer);
    const AnswerCheck result = checkAnswer(state, sent);
    QCOMPARE(result.good, good);
    if (good) {
        QCOMPARE(result.byteCount, byteCount);
        QCOMPARE(int(result.checkSum), check);
    }
}

QTEST_GUILESS_MAIN(TestProtocolFrames)
#include "tst_protocol_frames.moc"
