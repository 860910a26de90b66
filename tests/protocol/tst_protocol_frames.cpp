// Request frames, the float and packed-ASCII decoders and the display form of numbers.

#include "helpers.h"
#include "protocol/codecs.h"
#include "protocol/frame.h"

#include <QtTest>

#include <cmath>
#include <tuple>

using namespace protocol;
using ptest::hex;

class TestProtocolFrames : public QObject {
    Q_OBJECT
private slots:
    void request_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("address");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("0 to 1") << 0 << 1 << hex("FF FF FF FF 02 01 00 00 03");
        QTest::newRow("0 to 15") << 0 << 15 << hex("FF FF FF FF 02 0F 00 00 0D");
        QTest::newRow("0 to 0") << 0 << 0 << hex("FF FF FF FF 02 00 00 00 02");
        QTest::newRow("3") << 3 << 7 << hex("FF FF FF FF FF 82 26 06 12 34 56 03 00 D1");
        QTest::newRow("13") << 13 << 7 << hex("FF FF FF FF FF 82 26 06 12 34 56 0D 00 DF");
        QTest::newRow("manufacturer A6")
            << 3 << 9 << hex("FF FF FF FF FF 82 A6 06 12 34 56 03 00 51");
        QTest::newRow("empty record") << 13 << 4 << hex("FF FF FF FF FF 82 0D 00 8F");
        QTest::newRow("other command") << 1 << 7 << QByteArray();
    }
    void request() {
        QFETCH(int, command);
        QFETCH(int, address);
        QFETCH(QByteArray, frame);
        DeviceTable table;
        for (Device_Record& r : table) {
            std::tie(r.Manufacturer_ID, r.Device_Type, r.Device_ID1, r.Device_ID2, r.Device_ID3) =
                std::tuple(0x26, 0x06, 0x12, 0x34, 0x56);
            r.Long_Address = hex("26 06 12 34 56");
        }
        table[9].Manufacturer_ID = 0xA6; // sent unchanged, bit 7 and all
        table[9].Long_Address[0] = char(0xA6);
        table[4] = Device_Record{};
        QCOMPARE(Build_Request(qint16(command), qint16(address), table).toHex(' '),
                 frame.toHex(' '));
    }

    void unpackFloat_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("value");
        QTest::newRow("1.23456f") << hex("3F 9E 06 10") << double(1.23456f);
        QTest::newRow("lowest fraction bit") << hex("3F 80 00 01") << 1 + std::ldexp(1, -23);
        // Exponents 0 and 255 go through the same formula: never zero, infinite or NaN.
        QTest::newRow("zero bytes") << hex("00 00 00 00") << std::ldexp(1, -127);
        QTest::newRow("sign only") << hex("80 00 00 00") << -std::ldexp(1, -127);
        QTest::newRow("infinity bytes") << hex("7F 80 00 00") << std::ldexp(1, 128);
        QTest::newRow("nan bytes") << hex("7F A0 00 00") << 1.25 * std::ldexp(1, 128);
        QTest::newRow("-infinity bytes") << hex("FF 80 00 00") << -std::ldexp(1, 128);
    }
    void unpackFloat() {
        QFETCH(QByteArray, bytes);
        QFETCH(double, value);
        const auto b = [&](int k) { return int(quint8(bytes[k])); };
        // Exactly, digit for digit: QCOMPARE would take 2^-127 for 0.
        QCOMPARE(QString::number(Unpack_Float(b(0), b(1), b(2), b(3)), 'g', 17),
                 QString::number(value, 'g', 17));
    }

    void unpackAscii() { // codes 31, 32, 0 and 63: only 0 to 31 move, to 64 to 95
        PackedAsciiScratch scratch;
        QCOMPARE(Unpack_Ascii(0x7E, 0x00, 0x3F, scratch), "_ @?");
        QCOMPARE(scratch.Unpack_Text, "_ @?");
        QCOMPARE(scratch.Unpack_Codes, (std::array<qint16, 4>{95, 32, 64, 63}));
    }

    void rounded_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("no thousands separator") << 1234567.25 << 2 << "1234567.25";
        QTest::newRow("binary noise") << 0.1 + 0.2 << 4 << "0.3";
        // Exact halves go to the even neighbour.
        QTest::newRow("half down") << 0.125 << 2 << "0.12";
        QTest::newRow("half up") << 0.375 << 2 << "0.38";
        QTest::newRow("half at 4") << 1.03125 << 4 << "1.0312";
        // Fifteen significant digits, exponent form from 10^15 up.
        QTest::newRow("15 digits") << 123456789012345.67 << 2 << "123456789012346";
        QTest::newRow("just below 10^15") << 999999999999999.0 << 2 << "999999999999999";
        QTest::newRow("10^15") << 1e15 << 2 << "1E+15";
        QTest::newRow("-2^128") << -std::ldexp(1, 128) << 2 << "-3.40282366920938E+38";
    }
    void rounded() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        // English has a group separator, so a stray one would show.
        QCOMPARE(formatRounded(value, decimals, QLocale(QLocale::English)), text);
        QCOMPARE(formatRounded(value, decimals, QLocale(QLocale::German)),
                 QString(text).replace('.', ','));
    }
};

QTEST_GUILESS_MAIN(TestProtocolFrames)
#include "tst_protocol_frames.moc"
