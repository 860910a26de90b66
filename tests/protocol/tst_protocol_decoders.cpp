// The three answer decoders and the clearing of board and records.

#include "helpers.h"
#include "protocol/decoders.h"

#include <QtTest>

#include <algorithm>

using namespace protocol;
using ptest::hex;
using ptest::withCheck;

namespace {

constexpr int kRow = 5;
constexpr WinColour kMarkColour = 0x00123456;

// Gives every cell a caption and colour no decoder writes, so a cell touched by mistake shows.
void mark(Board& board) {
    for (int row = 0; row < kRowCount; ++row)
        for (Column c : kAllColumns) {
            board.setCaption(c, row, "m");
            board.setColour(c, row, kMarkColour);
        }
}

// How many cells, but for `cells` of row kRow, lost their mark.
int touchedOutside(const Board& board, const QList<Column>& cells) {
    int touched = 0;
    for (int row = 0; row < kRowCount; ++row)
        for (Column c : kAllColumns)
            touched += (row != kRow || !cells.contains(c)) &&
                       (board.caption(c, row) != "m" || board.colour(c, row) != kMarkColour);
    return touched;
}

QList<Column> groupOf(int command) {
    if (command == 0)
        return {kCommand0Cells.begin(), kCommand0Cells.end()};
    if (command == 13)
        return {kCommand13Cells.begin(), kCommand13Cells.end()};
    return {kCommand3Cells.begin(), kCommand3Cells.end()};
}

QByteArray patched(QByteArray frame, int k, int value) {
    frame[k] = char(value);
    return frame;
}

// The golden command-3 answer with byte count `bc`: cut short, or padded with zero bytes.
QByteArray answer3(int bc) {
    const QByteArray data = ptest::kAnswer3.mid(8, bc).leftJustified(bc, '\0');
    return withCheck(patched(ptest::kAnswer3.left(8), 7, bc) + data);
}

// Every field: the four strings, then the integers in the order of the answer cells they come
// from (command 0's cells 4 to 17, command 13's cells 28 to 30), then Check_Sum.
QStringList recordText(const Device_Record& r) {
    QStringList fields{r.Long_Address.toHex(), r.Unique_ID_Text, r.Device_Tag, r.Device_Descriptor};
    for (int v : {r.Status_Byte1, r.Status_Byte2, r.Expansion_Code, r.Manufacturer_ID,
                  r.Device_Type, r.Preamble_Count, r.Universal_Revision, r.Device_Revision,
                  r.Software_Revision, r.Hardware_Revision, r.Device_Flags, r.Device_ID1,
                  r.Device_ID2, r.Device_ID3, r.Date_Day, r.Date_Month, r.Date_Year, r.Check_Sum})
        fields << QString::asprintf("%02X", v);
    return fields;
}

void runDecoder(ProtocolState& state, Board& board, int command, const QByteArray& answer) {
    state.Rx_Buffer.fill(kRxFill); // as the receive step leaves it
    state.Rx_Stored = int(answer.size());
    std::transform(answer.begin(), answer.end(), state.Rx_Buffer.begin(),
                   [](char byte) { return qint16(quint8(byte)); });
    if (command == 0)
        Command_0(state, board);
    else if (command == 13)
        Command_13(state, board);
    else
        Command_3(state, board, QLocale(QLocale::English));
}

// Fills the record and board row of Hart_Address with an answer to 0 whose every byte is
// non-zero and the golden answer to 13.
void fillRow(ProtocolState& state, Board& board) {
    runDecoder(state, board, 0,
               withCheck(hex("06 81 00 0E 11 22 FE 26 06 05 05 09 03 64 33 12 34 56")));
    runDecoder(state, board, 13, ptest::kAnswer13);
}

} // namespace

class TestProtocolDecoders : public QObject {
    Q_OBJECT
private slots:
    void decode_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("shown"); // the command's cells in row kRow, see cellText()
        const QString id = "ma|2606123456a|00 00a", tag = "PT-101  a|TEST DEVICE     a|";
        const QString nan = "5.10423550381408E+38a", twoValues = "12.5a|1.23a|";
        const QByteArray c0 = ptest::kAnswer0Hart5, c13 = ptest::kAnswer13, c3 = ptest::kAnswer3;
        // A command-0 answer whose own check byte is 20, the fill value.
        const QByteArray check20 = hex("06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 5D 12 34 56");

        QTest::newRow("0 hart 5") << 0 << c0 << id;
        QTest::newRow("0 hart 7") << 0 << ptest::kAnswer0Hart7 << id;
        QTest::newRow("0 check in cell 19, a byte after it")
            << 0 << withCheck(hex("06 81 00 0F 00 40 FE 26 06 05 05 09 03 64 00 00 1A 2B 00")) + "!"
            << "ma|2606001A2Ba|00 40a";
        QTest::newRow("0 check byte 20") << 0 << withCheck(check20) << id;
        QTest::newRow("0 check byte 20 missing") << 0 << check20 << "mi|i|i";
        QTest::newRow("0 no answer") << 0 << QByteArray() << "mi|i|i";
        QTest::newRow("0 identity corrupt") << 0 << patched(c0, 15, 0x13) << "mi|i|i";
        QTest::newRow("0 eleven data bytes")
            << 0 << withCheck(patched(c0.left(17), 3, 13)) << "mi|i|i";
        QTest::newRow("0 answer to 3") << 0 << c3 << "mi|i|i";

        QTest::newRow("13 golden") << 13 << c13 << tag + "05.03.2009a";
        QTest::newRow("13 zeros") << 13 << withCheck(c13.left(10) + QByteArray(21, 0))
                                  << "@@@@@@@@a|" + QString(16, '@') + "a|00.00.1900a";
        QTest::newRow("13 ones") << 13 << withCheck(c13.left(10) + QByteArray(21, '\xFF'))
                                 << "????????a|" + QString(16, '?') + "a|255.255.2155a";
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
        QTest::newRow("3 current cut off") << 3 << answer3(5) << "i|i|i|i|i";
        QTest::newRow("3 current only") << 3 << answer3(6) << "12.5a|i|i|i|i";
        QTest::newRow("3 QV cut") << 3 << answer3(25) << twoValues + "23.5a|" + nan + "|i";
        QTest::newRow("3 longer") << 3 << answer3(31) << twoValues + "23.5a|" + nan + "|" + nan;
    }
    void decode() {
        QFETCH(int, command);
        QFETCH(QByteArray, answer);
        QFETCH(QString, shown);
        ProtocolState state;
        MemoryBoard board;
        state.Hart_Address = kRow;
        fillRow(state, board);
        const QStringList before = recordText(state.Device_Table[kRow]);
        mark(board);
        const QList<Column> group = groupOf(command);
        for (Column c : group) // as the cycle leaves them when it sends the request
            board.setCaption(c, kRow, c == Column::Label6 ? "m" : "");

        runDecoder(state, board, command, answer);

        QCOMPARE(ptest::cellText(board, kRow, group), shown);
        QCOMPARE(touchedOutside(board, group), 0);
        // A rejected answer leaves the record alone; a good command-0 answer stores its cells 4
        // to 17.
        const QStringList stored = recordText(state.Device_Table[kRow]);
        if (!shown.contains('a'))
            QCOMPARE(stored.mid(0, 21), before.mid(0, 21));
        else if (command == 0)
            QCOMPARE(stored.mid(4, 14).join(' '), QString(answer.mid(4, 14).toHex(' ').toUpper()));
    }

    void clearDisplay() {
        ProtocolState state;
        MemoryBoard board;
        for (qint16 row = 0; row < kRowCount; ++row) {
            state.Hart_Address = row;
            fillRow(state, board);
        }
        for (int round = 0; round < 2; ++round) { // clearing a clear board changes nothing
            Clear_Display(state, board);
            QCOMPARE(state.Hart_Address, qint16(0));
            QVERIFY(std::all_of(state.Rx_Buffer.begin(), state.Rx_Buffer.end(),
                                [](qint16 cell) { return cell == 0; }));
            for (int row = 0; row < kRowCount; ++row) {
                QCOMPARE(recordText(state.Device_Table[size_t(row)]), recordText({}));
                QCOMPARE(ptest::cellText(board, row, kAllColumns),
                         QStringLiteral("%1i|i|i|i|i|i|i|i|i|i|i").arg(row, 2, 10, QChar('0')));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestProtocolDecoders)
#include "tst_protocol_decoders.moc"
