// The float and packed-ASCII decoders and the display form of numbers.

#include "protocol/codecs.h"

#include <QtTest>

#include <cmath>

using namespace protocol;

class TestProtocolCodecs : public QObject {
    Q_OBJECT
private slots:
    void unpackFloat_data();
    void unpackFloat();
    void unpackAscii_data();
    void unpackAscii();
    void unpackAsciiLeavesItsScratch();
    void rounded_data();
    void rounded();
};

void TestProtocolCodecs::unpackFloat_data() {
    QTest::addColumn<int>("b0");
    QTest::addColumn<int>("b1");
    QTest::addColumn<int>("b2");
    QTest::addColumn<int>("b3");
    QTest::addColumn<double>("value");

    QTest::newRow("4") << 0x40 << 0x80 << 0x00 << 0x00 << 4.0;
    QTest::newRow("12.5") << 0x41 << 0x48 << 0x00 << 0x00 << 12.5;
    QTest::newRow("-10") << 0xC1 << 0x20 << 0x00 << 0x00 << -10.0;
    QTest::newRow("1") << 0x3F << 0x80 << 0x00 << 0x00 << 1.0;
    QTest::newRow("23.5") << 0x41 << 0xBC << 0x00 << 0x00 << 23.5;
    QTest::newRow("1.23456f") << 0x3F << 0x9E << 0x06 << 0x10 << double(1.23456f);
    QTest::newRow("lowest fraction bit")
        << 0x3F << 0x80 << 0x00 << 0x01 << 1.0 + std::ldexp(1.0, -23);
    QTest::newRow("every fraction bit")
        << 0x3F << 0xFF << 0xFF << 0xFF << 2.0 - std::ldexp(1.0, -23);
    // Exponent 0 is not subnormal and never zero.
    QTest::newRow("zero bytes") << 0x00 << 0x00 << 0x00 << 0x00 << std::ldexp(1.0, -127);
    QTest::newRow("negative zero bytes") << 0x80 << 0x00 << 0x00 << 0x00 << -std::ldexp(1.0, -127);
    QTest::newRow("exponent 0 with fraction")
        << 0x00 << 0x40 << 0x00 << 0x00 << 1.5 * std::ldexp(1.0, -127);
    // Exponent 255 is neither infinity nor a not-a-number value.
    QTest::newRow("infinity bytes") << 0x7F << 0x80 << 0x00 << 0x00 << std::ldexp(1.0, 128);
    QTest::newRow("negative infinity bytes")
        << 0xFF << 0x80 << 0x00 << 0x00 << -std::ldexp(1.0, 128);
    QTest::newRow("nan bytes 7FA00000")
        << 0x7F << 0xA0 << 0x00 << 0x00 << 1.25 * std::ldexp(1.0, 128);
    QTest::newRow("nan bytes 7FC00000")
        << 0x7F << 0xC0 << 0x00 << 0x00 << 1.5 * std::ldexp(1.0, 128);
    QTest::newRow("all ones") << 0xFF << 0xFF << 0xFF << 0xFF
                              << -(2.0 - std::ldexp(1.0, -23)) * std::ldexp(1.0, 128);
    QTest::newRow("largest finite float")
        << 0x7F << 0x7F << 0xFF << 0xFF << double(std::numeric_limits<float>::max());
    QTest::newRow("smallest normal float")
        << 0x00 << 0x80 << 0x00 << 0x00 << double(std::numeric_limits<float>::min());
}

void TestProtocolCodecs::unpackFloat() {
    QFETCH(int, b0);
    QFETCH(int, b1);
    QFETCH(int, b2);
    QFETCH(int, b3);
    QFETCH(double, value);
    const double got = Unpack_Float(b0, b1, b2, b3);
    QVERIFY(std::isfinite(got));
    // Every step is exact, so the result must be bit for bit the expected value.
    QVERIFY2(
        got == value,
        qPrintable(
            QStringLiteral("got %1, expected %2").arg(got, 0, 'g', 17).arg(value, 0, 'g', 17)));
}

void TestProtocolCodecs::unpackAscii_data() {
    QTest::addColumn<int>("b0");
    QTest::addColumn<int>("b1");
    QTest::addColumn<int>("b2");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0x00 << 0x00 << 0x00 << "@@@@";
    QTest::newRow("all ones") << 0xFF << 0xFF << 0xFF << "????";
    QTest::newRow("PT-1") << 0x41 << 0x4B << 0x71 << "PT-1";
    QTest::newRow("01 and blanks") << 0xC3 << 0x18 << 0x20 << "01  ";
    QTest::newRow("blanks") << 0x82 << 0x08 << 0x20 << "    ";
    QTest::newRow("fill bytes") << 20 << 20 << 20 << "EAPT";
    QTest::newRow("TEST") << 0x50 << 0x54 << 0xD4 << "TEST";
    // Code 31 becomes the last character after Z; 32 and 63 stay as they are.
    QTest::newRow("codes 31, 32, 0, 63") << 0x7E << 0x00 << 0x3F << "_ @?";
}

void TestProtocolCodecs::unpackAscii() {
    QFETCH(int, b0);
    QFETCH(int, b1);
    QFETCH(int, b2);
    QFETCH(QString, text);
    PackedAsciiScratch scratch;
    QCOMPARE(Unpack_Ascii(b0, b1, b2, scratch), text);
    QCOMPARE(scratch.Unpack_Text, text);
    QCOMPARE(Unpack_Ascii(b0, b1, b2), text);
}

void TestProtocolCodecs::unpackAsciiLeavesItsScratch() {
    PackedAsciiScratch scratch;
    Unpack_Ascii(0x00, 0x00, 0x00, scratch);
    QCOMPARE(scratch.Unpack_Codes, (std::array<qint16, 4>{64, 64, 64, 64}));
    QCOMPARE(scratch.Unpack_Text, QStringLiteral("@@@@"));

    Unpack_Ascii(0x41, 0x4B, 0x71, scratch);
    QCOMPARE(scratch.Unpack_Codes, (std::array<qint16, 4>{80, 84, 45, 49}));
    QCOMPARE(scratch.Unpack_Text, QStringLiteral("PT-1"));

    Unpack_Ascii(0xFF, 0xFF, 0xFF, scratch);
    QCOMPARE(scratch.Unpack_Codes, (std::array<qint16, 4>{63, 63, 63, 63}));
}

void TestProtocolCodecs::rounded_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");

    // English with its group separator, so a stray thousands separator would show.
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const double two128 = std::ldexp(1.0, 128);
    const double tiny = std::ldexp(1.0, -127);

    QTest::newRow("12.5 at 3") << 12.5 << 3 << en << "12.5";
    QTest::newRow("whole number") << 4.0 << 3 << en << "4";
    QTest::newRow("1.23456 at 2") << double(1.23456f) << 2 << en << "1.23";
    QTest::newRow("1.23456 at 3") << double(1.23456f) << 3 << en << "1.235";
    QTest::newRow("1.23456 at 4") << double(1.23456f) << 4 << en << "1.2346";
    QTest::newRow("no thousands separator") << 1234567.25 << 2 << en << "1234567.25";
    QTest::newRow("trailing zeros dropped") << 2.5000001 << 4 << en << "2.5";
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << 4 << en << "0.3";
    QTest::newRow("smallest step at 4") << 0.0001 << 4 << en << "0.0001";

    // Exact halves go to the even neighbour.
    QTest::newRow("half down at 2") << 0.125 << 2 << en << "0.12";
    QTest::newRow("half up at 2") << 0.375 << 2 << en << "0.38";
    QTest::newRow("half down at 3") << 0.0625 << 3 << en << "0.062";
    QTest::newRow("half up at 3") << 0.1875 << 3 << en << "0.188";
    QTest::newRow("half down at 4") << 0.03125 << 4 << en << "0.0312";
    QTest::newRow("half up at 4") << 0.09375 << 4 << en << "0.0938";
    QTest::newRow("half down at 4 above 1") << 1.03125 << 4 << en << "1.0312";
    QTest::newRow("negative half at 2") << -0.125 << 2 << en << "-0.12";
    QTest::newRow("negative half up at 2") << -0.375 << 2 << en << "-0.38";

    QTest::newRow("negative") << -10.0 << 2 << en << "-10";
    QTest::newRow("negative fraction") << -3.25 << 4 << en << "-3.25";

    // What rounds to zero shows a plain 0, whatever its sign.
    QTest::newRow("2^-127") << tiny << 2 << en << "0";
    QTest::newRow("-2^-127") << -tiny << 2 << en << "0";
    QTest::newRow("small negative") << -0.004 << 2 << en << "0";
    QTest::newRow("zero") << 0.0 << 3 << en << "0";

    // Fifteen significant digits, then the exponent form from 10^15 up.
    QTest::newRow("fifteen digits") << 999999999999999.0 << 2 << en << "999999999999999";
    QTest::newRow("fifteen digits rounded") << 123456789012345.67 << 2 << en << "123456789012346";
    QTest::newRow("10^15") << 1e15 << 2 << en << "1E+15";
    QTest::newRow("1.5 x 10^15") << 1.5e15 << 2 << en << "1.5E+15";
    QTest::newRow("10^100") << 1e100 << 2 << en << "1E+100";
    QTest::newRow("2^128") << two128 << 2 << en << "3.40282366920938E+38";
    QTest::newRow("1.25 x 2^128") << 1.25 * two128 << 2 << en << "4.25352958651173E+38";
    QTest::newRow("1.5 x 2^128") << 1.5 * two128 << 2 << en << "5.10423550381408E+38";
    QTest::newRow("-2^128") << -two128 << 2 << en << "-3.40282366920938E+38";
    QTest::newRow("-1.5 x 10^20") << -1.5e20 << 4 << en << "-1.5E+20";

    // The decimal separator comes from the locale.
    QTest::newRow("comma 12.5") << 12.5 << 3 << de << "12,5";
    QTest::newRow("comma 1.2346") << double(1.23456f) << 4 << de << "1,2346";
    QTest::newRow("comma, no thousands separator") << 1234567.25 << 2 << de << "1234567,25";
    QTest::newRow("comma exponent") << 1.25 * two128 << 2 << de << "4,25352958651173E+38";
    QTest::newRow("comma negative") << -0.375 << 2 << de << "-0,38";
    QTest::newRow("comma whole") << 4.0 << 2 << de << "4";
}

void TestProtocolCodecs::rounded() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(formatRounded(value, decimals, locale), text);
}

QTEST_GUILESS_MAIN(TestProtocolCodecs)
#include "tst_protocol_codecs.moc"
