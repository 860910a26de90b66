// The one frame codec against frames written out by hand from the published layout and golden
// answers of independent implementations: requests, answers and burst frames, short and long
// addresses, HART 5 and 7; and the cycle's next-step rule as a table.

#include "protocol/hart_frame.h"
#include "protocol/hartip_message.h"
#include "protocol/polling_cycle.h"

#include "helpers.h"

#include <QtTest>

using namespace protocol;
using ptest::hex;

class TestProtocolCodec : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("asRead");
        // type, address (polling or unique), master bit, burst bit, command, byte count,
        // response code, device status, data length, check matches
        QTest::addColumn<QString>("parts");
        QTest::newRow("request, short")
            << hex("FF FF FF FF 02 01 00 00 03") << "request 1 0 0 0 0 -1 -1 0 1";
        QTest::newRow("request, long, master bit of the manufacturer code")
            << hex("FF FF FF FF FF 82 26 06 12 34 56 03 00 D1")
            << "request 2606123456 0 0 3 0 -1 -1 0 1";
        QTest::newRow("answer, HART 5 command 0")
            << ptest::kAnswer0Hart5 << "answer 1 1 0 0 14 0 0 12 1";
        QTest::newRow("answer, HART 7 command 0")
            << ptest::kAnswer0Hart7 << "answer 1 1 0 0 24 0 0 22 1";
        QTest::newRow("answer, long, command 3")
            << hex("FF FF FF FF FF") + ptest::kAnswer3 << "answer 2606123456 1 0 3 26 0 0 24 1";
        QTest::newRow("answer, long, command 13")
            << ptest::kAnswer13 << "answer 2606123456 1 0 13 23 0 0 21 1";
        QTest::newRow("burst, long, master and burst bits")
            << hex("FF FF FF FF FF 81 E6 06 12 34 56 01 07 00 00 0C 3F 9E 06 10 AC")
            << "burst 2606123456 1 1 1 7 0 0 5 1";
        QTest::newRow("burst, short, status set")
            << hex("FF FF 01 80 01 07 00 40 20 42 AA 00 00 0F") << "burst 0 1 0 1 7 0 64 5 1";
        QTest::newRow("answer, check byte wrong")
            << hex("06 81 00 02 40 00 C4") << "answer 1 1 0 0 2 64 0 0 0";
        QTest::newRow("answer, byte count 1: no status byte")
            << hex("06 81 00 01 40 C6") << "answer 1 1 0 0 1 64 -1 0 1";
    }
    void parse() {
        QFETCH(QByteArray, asRead);
        QFETCH(QString, parts);
        const HartFrame f = HartFrame::parse(asRead);
        const QString type = f.type() == FrameType::Request  ? "request"
                             : f.type() == FrameType::Answer ? "answer"
                             : f.type() == FrameType::Burst  ? "burst"
                                                             : "other";
        const QString address = f.longAddress() ? QString(f.uniqueAddress().toHex().toUpper())
                                                : QString::number(f.pollingAddress());
        const QString shown = QStringList{type,
                                          address,
                                          QString::number(f.masterBit()),
                                          QString::number(f.burstBit()),
                                          QString::number(f.command),
                                          QString::number(f.byteCount),
                                          QString::number(f.responseCode),
                                          QString::number(f.deviceStatus),
                                          QString::number(f.data.size()),
                                          QString::number(f.checkMatches)}
                                  .join(' ');
        QCOMPARE(shown, parts);
        QVERIFY(f.complete);
        // Put together again, it is the same bytes, check byte and all (a good one).
        if (f.checkMatches)
            QCOMPARE(f.encode(f.preambleLength).toHex(' '), asRead.toHex(' '));
    }

    void encodeRequests() {
        HartFrame request;
        request.delimiter = kShortDelimiter;
        request.address = hex("0F");
        request.command = 0;
        QCOMPARE(request.encode(4), hex("FF FF FF FF 02 0F 00 00 0D"));
        request.delimiter = kLongDelimiter;
        request.address = hex("26 06 12 34 56");
        request.command = 3;
        QCOMPARE(request.encode(5), hex("FF FF FF FF FF 82 26 06 12 34 56 03 00 D1"));
    }

    void packedAscii() {
        // The tag of the golden command-13 answer, both ways.
        QCOMPARE(unpackAscii(ptest::kAnswer13, 10, 8), "PT-101  ");
        QCOMPARE(packAscii("pt-101", 8), ptest::kAnswer13.mid(10, 6));
        QCOMPARE(packAscii(QString::fromUtf8("é"), 4), packAscii("?", 4));
        QVERIFY(isPackable("TT-202 @_") && !isPackable("a~"));
    }

    void floats() {
        QCOMPARE(floatAt(hex("3F 9E 06 10"), 0), 1.23456f);
        QCOMPARE(encodeFloat(1.23456f), hex("3F 9E 06 10"));
        QCOMPARE(encodeFloat(-10.0f), hex("C1 20 00 00"));
    }

    // The next step after each command, for an address with and without a known instrument.
    void nextStepTable_data() {
        QTest::addColumn<bool>("known");
        QTest::addColumn<int>("lastCommand");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("nextAddress");
        QTest::newRow("start: nobody at 0") << false << 0 << 0 << 0 << 1;
        QTest::newRow("nobody at 15: round to 0") << false << 0 << 15 << 0 << 0;
        QTest::newRow("nobody, after 13") << false << 13 << 4 << 0 << 5;
        QTest::newRow("known, after 0") << true << 0 << 3 << 13 << 3;
        QTest::newRow("known, after 13") << true << 13 << 3 << 3 << 3;
        QTest::newRow("known, after 3") << true << 3 << 3 << 0 << 4;
        QTest::newRow("known, after another command") << true << 7 << 15 << 0 << 0;
    }
    void nextStepTable() {
        QFETCH(bool, known);
        QFETCH(int, lastCommand);
        QFETCH(int, address);
        QFETCH(int, command);
        QFETCH(int, nextAddress);
        const NextStep next = nextStep(known, qint16(lastCommand), qint16(address));
        QCOMPARE(int(next.command), command);
        QCOMPARE(int(next.address), nextAddress);
    }

    // HART-IP messages as they are on the wire: header (version, type, id, status, sequence,
    // byte count of the whole message) and body.
    void hartIpMessages_data() {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("taken"); // 0 message, 1 need more, 2 malformed
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("sequence");
        QTest::addColumn<QByteArray>("body");
        // Session Initiate as a primary master, 60 s inactivity timer, sequence 1.
        QTest::newRow("session initiate") << hex("01 00 00 00 00 01 00 0D 01 00 00 EA 60") << 0 << 0
                                          << 0 << 0 << 1 << hex("01 00 00 EA 60");
        // The server set another timer (status 8) and says which.
        QTest::newRow("initiate answered, timer set to 30 s")
            << hex("01 01 00 08 00 01 00 0D 01 00 00 75 30") << 0 << 1 << 0 << 8 << 1
            << hex("01 00 00 75 30");
        QTest::newRow("keep alive")
            << hex("01 00 02 00 01 02 00 08") << 0 << 0 << 2 << 0 << 258 << QByteArray();
        // Command 0 to polling address 0 from the primary master, no preamble.
        QTest::newRow("token-passing PDU") << hex("01 00 03 00 00 07 00 0D 02 80 00 00 82") << 0
                                           << 0 << 3 << 0 << 7 << hex("02 80 00 00 82");
        QTest::newRow("published")
            << hex("01 02 03 00 FF FF 00 0A 81 00") << 0 << 2 << 3 << 0 << 65535 << hex("81 00");
        QTest::newRow("header cut short")
            << hex("01 00 02 00 00") << 1 << 0 << 0 << 0 << 0 << QByteArray();
        QTest::newRow("body cut short")
            << hex("01 00 03 00 00 07 00 0D 02 80") << 1 << 0 << 0 << 0 << 0 << QByteArray();
        QTest::newRow("version 3")
            << hex("03 00 02 00 00 01 00 08") << 2 << 0 << 0 << 0 << 0 << QByteArray();
        QTest::newRow("byte count below the header")
            << hex("01 00 02 00 00 01 00 04") << 2 << 0 << 0 << 0 << 0 << QByteArray();
    }
    void hartIpMessages() {
        QFETCH(QByteArray, wire);
        QFETCH(int, taken);
        QFETCH(int, type);
        QFETCH(int, id);
        QFETCH(int, status);
        QFETCH(int, sequence);
        QFETCH(QByteArray, body);
        namespace ip = protocol::hartip;
        // A whole message has a keep-alive after it; one cut short is all there is.
        QByteArray stream = taken == 0 ? wire + hex("01 00 02 00 00 09 00 08") : wire;
        ip::Message message;
        const ip::Message::Taken result = ip::Message::take(stream, &message);
        QCOMPARE(int(result), taken);
        if (result != ip::Message::Taken::Message) {
            QCOMPARE(stream, wire); // not taken: what is there waits for the rest, or is left
            return;
        }
        QCOMPARE(int(message.type), type);
        QCOMPARE(int(message.id), id);
        QCOMPARE(int(message.status), status);
        QCOMPARE(int(message.sequence), sequence);
        QCOMPARE(message.body, body);
        QCOMPARE(message.encode(), wire); // and put together again, byte for byte
        QCOMPARE(int(ip::Message::take(stream, &message)), 0); // the next one follows intact
        QCOMPARE(int(message.sequence), 9);
    }

    void hartIpSessionInitiateBody() {
        namespace ip = protocol::hartip;
        const auto initiate = ip::SessionInitiate::parse(hex("01 00 00 EA 60"));
        QVERIFY(initiate && initiate->masterType == 1 && initiate->inactivityMs == 60000);
        QCOMPARE((ip::SessionInitiate{1, 30000}.encode()), hex("01 00 00 75 30"));
        QVERIFY(!ip::SessionInitiate::parse(hex("01 00 00")));
    }
};

QTEST_GUILESS_MAIN(TestProtocolCodec)
#include "tst_protocol_codec.moc"
