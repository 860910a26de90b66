// The value codecs and the display form of numbers, the three answer decoders on good, short,
// long, missing and corrupt answers, and the long request built from what command 0 stored.
// The golden request frames are checked where the polling cycle sends them.

#include "helpers.h"
#include "protocol/codecs.h"
#include "protocol/decoders.h"
#include "protocol/frame.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace protocol;
using ptest::hex;
using ptest::withCheck;

namespace {

constexpr int kRow = 1; // the golden answers come from polling address 1

QByteArray patched(QByteArray frame, int k, int value) {
    frame[k] = char(value);
    return frame;
}

void runDecoder(ProtocolState& state, Board& board, int command, const QByteArray& answer) {
    const HartFrame frame = HartFrame::parse(answer);
    if (command == 0)
        Command_0(state, board, frame);
    else if (command == 13)
        Command_13(state, board, frame);
    else
        Command_3(state, board, frame, QLocale(QLocale::English));
}

template <size_t N> QList<Column> listOf(const std::array<Column, N>& cells) {
    return {cells.begin(), cells.end()};
}

} // namespace

class TestProtocolFrames : public QObject {
    Q_OBJECT
private slots:
    // Every request names this program's master role and never burst mode; the address's low
    // six bits are the instrument's, whatever its first byte held in the top two.
    void requestNamesOurMaster_data() {
        QTest::addColumn<QByteArray>("firstBytes"); // as command 0 delivered them
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("primary");
        QTest::addColumn<QByteArray>("request");
        const QByteArray hart5 = hex("A6 06 12 34 56"), expanded = hex("F9 FD 12 34 56");
        QTest::newRow("manufacturer A6, primary")
            << hart5 << 3 << true << hex("FF FF FF FF FF 82 A6 06 12 34 56 03 00 51");
        QTest::newRow("manufacturer A6, secondary")
            << hart5 << 3 << false << hex("FF FF FF FF FF 82 26 06 12 34 56 03 00 D1");
        QTest::newRow("device type F9FD, primary: burst bit cleared")
            << expanded << 3 << true << hex("FF FF FF FF FF 82 B9 FD 12 34 56 03 00 B5");
        QTest::newRow("device type F9FD, secondary")
            << expanded << 13 << false << hex("FF FF FF FF FF 82 39 FD 12 34 56 0D 00 3B");
        QTest::newRow("command 0, primary")
            << QByteArray() << 0 << true << hex("FF FF FF FF 02 85 00 00 87");
        QTest::newRow("command 0, secondary")
            << QByteArray() << 0 << false << hex("FF FF FF FF 02 05 00 00 07");
        QTest::newRow("on demand, secondary")
            << expanded << 48 << false << hex("FF FF FF FF FF 82 39 FD 12 34 56 30 00 06");
    }
    void requestNamesOurMaster() {
        QFETCH(QByteArray, firstBytes);
        QFETCH(int, command);
        QFETCH(bool, primary);
        QFETCH(QByteArray, request);
        DeviceTable table{};
        table[5].Long_Address = firstBytes;
        const MasterRole role = primary ? MasterRole::Primary : MasterRole::Secondary;
        const QByteArray built = command == 48 ? buildOnDemandRequest(command, 5, table, {}, role)
                                               : Build_Request(qint16(command), 5, table, role);
        QCOMPARE(built.toHex(' '), request.toHex(' '));
        QCOMPARE(table[5].Long_Address, firstBytes); // the board's ID cell keeps the raw byte
    }

    void unpackFloat_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("value");
        // Exponents 0 and 255 go through the same formula: never zero, infinite or NaN.
        QTest::newRow("zero bytes") << hex("00 00 00 00") << std::ldexp(1, -127);
        QTest::newRow("infinity bytes") << hex("7F 80 00 00") << std::ldexp(1, 128);
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
        QCOMPARE(scratch.Unpack_Codes, (std::array<qint16, 4>{95, 32, 64, 63}));
    }

    void rounded_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("no thousands separator") << 1234567.25 << 2 << "1234567.25";
        // Exact halves go to the even neighbour.
        QTest::newRow("half down") << 0.125 << 2 << "0.12";
        QTest::newRow("half up") << 0.375 << 2 << "0.38";
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

    void decode_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("shown"); // the command's cells in row kRow, see cellText()
        const QString id = "01a|2606123456a|00 00a", tag = "PT-101  a|TEST DEVICE     a|";
        const QString nan = "5.10423550381408E+38a", twoValues = "12.5a|1.23a|";
        const QByteArray c0 = ptest::kAnswer0Hart5, c13 = ptest::kAnswer13, c3 = ptest::kAnswer3;
        // The command-3 answer cut to byte count bc.
        const auto cut3 = [&](int bc) { return withCheck(patched(c3.left(8 + bc), 7, bc)); };

        QTest::newRow("0 hart 5") << 0 << c0 << id;
        QTest::newRow("0 hart 7") << 0 << ptest::kAnswer0Hart7 << id;
        QTest::newRow("0 check in cell 19, a byte after it")
            << 0 << withCheck(hex("06 81 00 0F 00 40 FE 26 06 05 05 09 03 64 00 00 1A 2B 00")) + "!"
            << "01a|2606001A2Ba|00 40a";
        // Its check byte would be 20, the fill value: a cell that never arrived must not pass.
        QTest::newRow("0 check byte 20 missing")
            << 0 << hex("06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 5D 12 34 56") << "01i|i|i";
        QTest::newRow("0 no answer") << 0 << QByteArray() << "01i|i|i";
        QTest::newRow("0 identity corrupt") << 0 << patched(c0, 15, 0x13) << "01i|i|i";
        QTest::newRow("0 eleven data bytes")
            << 0 << withCheck(patched(c0.left(17), 3, 13)) << "01i|i|i";
        QTest::newRow("0 answer to 3") << 0 << c3 << "01i|i|i";

        QTest::newRow("13 golden") << 13 << c13 << tag + "05.03.2009a";
        QTest::newRow("13 no answer") << 13 << QByteArray() << "i|i|i";
        QTest::newRow("13 date cut off")
            << 13 << withCheck(patched(c13.left(30), 7, 22)) << "i|i|i";

        QTest::newRow("3 golden") << 3 << c3 << twoValues + "23.5a|" + nan + "|" + nan;
        QTest::newRow("3 decimals per cell")
            << 3
            << withCheck(c3.left(10) +
                         hex("3F9E0610 20 3F9E0610 20 3F9E0610 20 3F9E0610 20 3F9E0610"))
            << "1.235a|1.23a|1.2346a|1.23a|1.23a";
        QTest::newRow("3 edge values")
            << 3
            << withCheck(c3.left(10) +
                         hex("40800000 20 00000000 20 7FA00000 20 80000000 20 C1200000"))
            << "4a|0a|4.25352958651173E+38a|0a|-10a";
        QTest::newRow("3 no answer") << 3 << QByteArray() << "i|i|i|i|i";
        QTest::newRow("3 current cut off") << 3 << cut3(5) << "i|i|i|i|i";
        QTest::newRow("3 current only") << 3 << cut3(6) << "12.5a|i|i|i|i";
        QTest::newRow("3 QV cut") << 3 << cut3(25) << twoValues + "23.5a|" + nan + "|i";
    }
    // Answers with a good check byte that are not the addressed instrument's answer in the form
    // asked. The instrument at polling address 1 has the long address 3C 51 10 20 31.
    void onlyTheAddressedInstrument_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("accepted");
        const QByteArray c0 = hex("06 81 00 0E 00 00 FE 3C 51 05 05 0C 0C 02 00 10 20 31");
        const QByteArray c3 = hex("00 00 41 40 00 00 0C 43 7A 00 00 20 41 C8 00 00");
        const auto long3 = [&](const char* address) {
            return withCheck(hex("86") + hex(address) + hex("03 10") + c3);
        };
        // Seen on real lines, each shown as good before.
        QTest::newRow("13 answered short")
            << 13
            << hex("06 81 0D 17 00 00 41 4B 71 C3 18 20 10 94 C3 20 14 87 16 04 12 15 34 E0 0E 05"
                   "77 54")
            << false;
        QTest::newRow("3 answered short") << 3 << withCheck(hex("06 81 03 10") + c3) << false;
        QTest::newRow("0 answered long")
            << 0 << hex("86 BC 51 10 20 31 00 0E 00 00 FE 3C 51 05 05 0C 0C 02 00 10 20 31 F4")
            << false;
        QTest::newRow("0 answered by address 7")
            << 0 << hex("06 87 00 0E 00 00 FE 1F 92 05 07 01 08 03 00 00 4D 21 98") << false;
        // The master and burst bits say nothing of who answers.
        QTest::newRow("0 master and burst bits")
            << 0 << withCheck(c0.left(1) + hex("C1") + c0.mid(2)) << true;
        QTest::newRow("0 address 33 is not 1")
            << 0 << withCheck(c0.left(1) + hex("21") + c0.mid(2)) << false;
        QTest::newRow("3 as asked") << 3 << long3("3C 51 10 20 31") << true;
        QTest::newRow("3 master bit") << 3 << long3("BC 51 10 20 31") << true;
        QTest::newRow("3 burst bit") << 3 << long3("7C 51 10 20 31") << true;
        QTest::newRow("3 manufacturer differs") << 3 << long3("3D 51 10 20 31") << false;
        QTest::newRow("3 device type differs") << 3 << long3("3C 52 10 20 31") << false;
        QTest::newRow("3 last id byte differs") << 3 << long3("3C 51 10 20 30") << false;
        QTest::newRow("3 request delimiter")
            << 3 << withCheck(hex("82 3C 51 10 20 31 03 10") + c3) << false;
        QTest::newRow("3 burst delimiter")
            << 3 << withCheck(hex("81 3C 51 10 20 31 03 10") + c3) << false;
        QTest::newRow("0 burst delimiter") << 0 << withCheck(hex("01") + c0.mid(1)) << false;
    }
    void onlyTheAddressedInstrument() {
        QFETCH(int, command);
        QFETCH(QByteArray, answer);
        QFETCH(bool, accepted);
        ProtocolState state;
        MemoryBoard board;
        state.Hart_Address = 1;
        runDecoder(state, board, 0,
                   withCheck(hex("06 81 00 0E 00 00 FE 3C 51 05 05 0C 0C 02 00 10 20 31")));
        QCOMPARE(state.Device_Table[1].Unique_ID_Text, "3C51102031");

        runDecoder(state, board, command, answer);

        const Column first = command == 0    ? Column::Label1
                             : command == 13 ? Column::Label2
                                             : Column::Label13;
        QCOMPARE(board.colour(first, 1), accepted ? kAnsweredColour : kIdleColour);
        if (command == 0)
            QCOMPARE(board.caption(Column::Label1, 1), accepted ? "3C51102031" : "");
        else if (command == 3)
            QCOMPARE(board.caption(Column::Label14, 1), accepted ? "250" : "");
    }

    void decode() {
        QFETCH(int, command);
        QFETCH(QByteArray, answer);
        QFETCH(QString, shown);
        ProtocolState state;
        MemoryBoard board;
        state.Hart_Address = kRow;
        // A row filled by earlier answers, every record field non-zero. The manufacturer byte
        // differs from the golden answers' only in the master and burst bits, so their long
        // address still names this instrument.
        runDecoder(state, board, 0,
                   withCheck(hex("06 81 00 0E 11 22 FE E6 06 05 05 09 03 64 33 12 34 56")));
        runDecoder(state, board, 13, ptest::kAnswer13);
        const QStringList record = ptest::recordText(state.Device_Table[kRow]);
        const QList<Column> group = command == 0    ? listOf(kCommand0Cells)
                                    : command == 13 ? listOf(kCommand13Cells)
                                                    : listOf(kCommand3Cells);
        for (Column c : group) { // as the cycle leaves them when it sends the request
            board.setColour(c, kRow, kPendingColour);
            board.setCaption(c, kRow, c == Column::Label6 ? "01" : "");
        }
        const MemoryBoard before = board;

        runDecoder(state, board, command, answer);

        QCOMPARE(ptest::cellText(board, kRow, group), shown);
        // A command 0 nobody answers empties the whole row: commands 13 and 3 are not sent to
        // an address without an instrument, so their last values would otherwise stay for ever.
        const bool rowEmptied = command == 0 && !shown.contains('a');
        if (rowEmptied) {
            QCOMPARE(ptest::cellText(board, kRow, listOf(kCommand13Cells)), "i|i|i");
            QCOMPARE(ptest::cellText(board, kRow, listOf(kCommand3Cells)), "i|i|i|i|i");
        }
        for (int row = 0; row < kRowCount; ++row) // every other cell keeps what it showed
            for (Column c : kAllColumns)
                if ((row != kRow || !group.contains(c)) && !(rowEmptied && row == kRow))
                    QCOMPARE(ptest::cellText(board, row, QList{c}),
                             ptest::cellText(before, row, QList{c}));
        // A rejected answer leaves the record alone; a good command-0 answer stores its cells 4
        // to 17.
        const QStringList stored = ptest::recordText(state.Device_Table[kRow]);
        if (!shown.contains('a'))
            QCOMPARE(stored.mid(0, 21), record.mid(0, 21));
        else if (command == 0)
            QCOMPARE(stored.mid(4, 14).join(' '), QString(answer.mid(4, 14).toHex(' ').toUpper()));
    }
};

QTEST_GUILESS_MAIN(TestProtocolFrames)
#include "tst_protocol_frames.moc"
