// The three answer decoders, the board's design state and the clearing of board and records.

#include "board_helpers.h"
#include "protocol/board.h"
#include "protocol/decoders.h"
#include "test_frames.h"

#include <QtTest>

using namespace protocol;
using ptest::bytes;
using ptest::hex;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

// A command-3 answer with byte count `byteCount`, its data bytes taken from `data` (padded with
// zeros when short), check byte right.
QByteArray command3WithByteCount(int byteCount, const QByteArray& data) {
    QByteArray frame = ptest::longHeader(ptest::Identity{}, 3, byteCount);
    frame += data.leftJustified(byteCount - 2, '\0', true);
    return ptest::withCheck(frame);
}

} // namespace

class TestProtocolDecoders : public QObject {
    Q_OBJECT
private slots:
    void command0Good_data();
    void command0Good();
    void command0Bad_data();
    void command0Bad();
    void command13Good();
    void command13Dates_data();
    void command13Dates();
    void command13Descriptors_data();
    void command13Descriptors();
    void command13Bad_data();
    void command13Bad();
    void command3Golden_data();
    void command3Golden();
    void command3Values_data();
    void command3Values();
    void command3Partial_data();
    void command3Partial();
    void command3Bad_data();
    void command3Bad();
    void designCaptions_data();
    void designCaptions();
    void clearDevice();
    void clearDisplay();
};

// ---- command 0 ----

void TestProtocolDecoders::command0Good_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("longAddress");

    QTest::newRow("hart 5 at 5") << ptest::goldenCommand0Hart5() << 5 << "2606123456"
                                 << "00 00" << hex("26 06 12 34 56");
    QTest::newRow("hart 7 at 0") << ptest::goldenCommand0Hart7() << 0 << "2606123456"
                                 << "00 00" << hex("26 06 12 34 56");
    QTest::newRow("status 00 40, zero byte in id")
        << ptest::command0Answer(15, ptest::Identity{0x26, 0x06, 0x00, 0x1A, 0x2B}, 0x00, 0x40)
        << 15 << "2606001A2B"
        << "00 40" << bytes({38, 6, 0, 26, 43});
    QTest::newRow("response code set, manufacturer A6")
        << ptest::command0Answer(3, ptest::Identity{0xA6, 0xE1, 0xAB, 0xCD, 0xEF}, 0x20, 0x8F) << 3
        << "A6E1ABCDEF"
        << "20 8F" << hex("A6 E1 AB CD EF");
    QTest::newRow("bytes after the frame")
        << ptest::goldenCommand0Hart5() + hex("FF 00 FF") << 9 << "2606123456"
        << "00 00" << hex("26 06 12 34 56");
}

void TestProtocolDecoders::command0Good() {
    QFETCH(QByteArray, answer);
    QFETCH(int, address);
    QFETCH(QString, identifier);
    QFETCH(QString, status);
    QFETCH(QByteArray, longAddress);

    ProtocolState state;
    state.Hart_Address = qint16(address);
    state.Device_Table[size_t(address)].Device_Tag = QStringLiteral("KEEP");
    MemoryBoard board;
    ptest::fillWithMarkers(board);
    ptest::markPending(board, kCommand0Cells, address);
    ptest::storeAnswer(state, answer);

    Command_0(state, board);

    const Device_Record& r = state.Device_Table[size_t(address)];
    auto cell = [&](int k) { return qint16(quint8(answer.at(k))); };
    QCOMPARE(r.Expansion_Code, cell(6));
    QCOMPARE(r.Manufacturer_ID, cell(7));
    QCOMPARE(r.Device_Type, cell(8));
    QCOMPARE(r.Preamble_Count, cell(9));
    QCOMPARE(r.Universal_Revision, cell(10));
    QCOMPARE(r.Device_Revision, cell(11));
    QCOMPARE(r.Software_Revision, cell(12));
    QCOMPARE(r.Hardware_Revision, cell(13));
    QCOMPARE(r.Device_Flags, cell(14));
    QCOMPARE(r.Device_ID1, cell(15));
    QCOMPARE(r.Device_ID2, cell(16));
    QCOMPARE(r.Device_ID3, cell(17));
    QCOMPARE(r.Long_Address.toHex(' '), longAddress.toHex(' '));
    QCOMPARE(r.Unique_ID_Text, identifier);
    QCOMPARE(r.Status_Byte1, cell(4));
    QCOMPARE(r.Status_Byte2, cell(5));
    const int checkAt = 4 + int(quint8(answer.at(3)));
    QCOMPARE(r.Check_Sum, cell(checkAt));
    QCOMPARE(r.Device_Tag, QStringLiteral("KEEP"));

    QCOMPARE(board.caption(Column::Label1, address), identifier);
    QCOMPARE(board.caption(Column::Label5, address), status);
    QCOMPARE(board.caption(Column::Label6, address), ptest::markerFor(Column::Label6, address));
    for (Column c : kCommand0Cells)
        QCOMPARE(board.colour(c, address), kAnsweredColour);
    QCOMPARE(ptest::touchedOutside(board, kCommand0Cells, address), QString());
}

void TestProtocolDecoders::command0Bad_data() {
    QTest::addColumn<QByteArray>("answer");
    const QByteArray golden = ptest::goldenCommand0Hart5();
    QTest::newRow("no answer") << QByteArray();
    QTest::newRow("check byte missing") << golden.left(18);
    QTest::newRow("half an answer") << golden.left(10);
    QTest::newRow("hart 7 cut short") << ptest::goldenCommand0Hart7().left(24);
    QByteArray corrupt = golden;
    corrupt[15] = char(0x13);
    QTest::newRow("identity byte corrupted") << corrupt;
    QByteArray check = golden;
    check[18] = char(0x48);
    QTest::newRow("check byte corrupted") << check;
    QTest::newRow("answer to another command")
        << ptest::withCheck(hex("06 81 01 0E 00 00 FE 26 06 05 05 09 03 64 00 12 34 56"));
    QTest::newRow("eleven data bytes")
        << ptest::withCheck(hex("06 81 00 0D 00 00 FE 26 06 05 05 09 03 64 00 12 34"));
    QTest::newRow("nothing but preamble") << QByteArray(12, char(0xFF));
}

void TestProtocolDecoders::command0Bad() {
    QFETCH(QByteArray, answer);
    const int address = 4;
    ProtocolState state;
    state.Hart_Address = address;
    MemoryBoard board;
    ptest::fillWithMarkers(board);

    // A device that was identified before.
    ptest::storeAnswer(
        state, ptest::command0Answer(address, ptest::Identity{0x26, 0x06, 0x77, 0x88, 0x99}));
    Command_0(state, board);
    QCOMPARE(board.caption(Column::Label1, address), QStringLiteral("2606778899"));
    const Device_Record before = state.Device_Table[size_t(address)];

    ptest::storeAnswer(state, answer);
    Command_0(state, board);

    QCOMPARE(board.caption(Column::Label1, address), QString());
    QCOMPARE(board.caption(Column::Label5, address), QString());
    for (Column c : kCommand0Cells)
        QCOMPARE(board.colour(c, address), kIdleColour);
    QCOMPARE(board.caption(Column::Label6, address), ptest::markerFor(Column::Label6, address));
    QCOMPARE(ptest::touchedOutside(board, kCommand0Cells, address), QString());

    // The stored identity stays.
    const Device_Record& after = state.Device_Table[size_t(address)];
    QCOMPARE(after.Long_Address, before.Long_Address);
    QCOMPARE(after.Unique_ID_Text, before.Unique_ID_Text);
    QCOMPARE(after.Manufacturer_ID, before.Manufacturer_ID);
    QCOMPARE(after.Device_ID1, before.Device_ID1);
    QCOMPARE(after.Device_ID3, before.Device_ID3);
    QCOMPARE(after.Expansion_Code, before.Expansion_Code);
    QCOMPARE(after.Status_Byte1, before.Status_Byte1);
}

// ---- command 13 ----

void TestProtocolDecoders::command13Good() {
    const int address = 2;
    ProtocolState state;
    state.Hart_Address = address;
    state.Device_Table[address].Unique_ID_Text = QStringLiteral("2606123456");
    MemoryBoard board;
    ptest::fillWithMarkers(board);
    ptest::markPending(board, kCommand13Cells, address);
    ptest::storeAnswer(state, ptest::goldenCommand13());

    Command_13(state, board);

    const Device_Record& r = state.Device_Table[address];
    QCOMPARE(r.Device_Tag, QStringLiteral("PT-101  "));
    QCOMPARE(r.Device_Descriptor, QStringLiteral("TEST DEVICE     "));
    QCOMPARE(r.Date_Day, qint16(5));
    QCOMPARE(r.Date_Month, qint16(3));
    QCOMPARE(r.Date_Year, qint16(109));
    QCOMPARE(r.Check_Sum, qint16(0x3F));
    QCOMPARE(r.Unique_ID_Text, QStringLiteral("2606123456"));

    QCOMPARE(board.caption(Column::Label2, address), QStringLiteral("PT-101  "));
    QCOMPARE(board.caption(Column::Label3, address), QStringLiteral("TEST DEVICE     "));
    QCOMPARE(board.caption(Column::Label4, address), QStringLiteral("05.03.2009"));
    for (Column c : kCommand13Cells)
        QCOMPARE(board.colour(c, address), kAnsweredColour);
    QCOMPARE(ptest::touchedOutside(board, kCommand13Cells, address), QString());
}

void TestProtocolDecoders::command13Dates_data() {
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("text");
    QTest::newRow("05.03.2009") << 5 << 3 << 109 << "05.03.2009";
    QTest::newRow("31.12.1999") << 31 << 12 << 99 << "31.12.1999";
    QTest::newRow("00.00.1900") << 0 << 0 << 0 << "00.00.1900";
    QTest::newRow("255.255.2155") << 255 << 255 << 255 << "255.255.2155";
    QTest::newRow("09.10.2000") << 9 << 10 << 100 << "09.10.2000";
}

void TestProtocolDecoders::command13Dates() {
    QFETCH(int, day);
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(QString, text);
    ProtocolState state;
    state.Hart_Address = 11;
    MemoryBoard board;
    ptest::storeAnswer(state, ptest::command13Answer(ptest::Identity{}, hex("414B71C31820"),
                                                     QByteArray(12, '\0'), day, month, year));
    Command_13(state, board);
    QCOMPARE(board.caption(Column::Label4, 11), text);
    QCOMPARE(state.Device_Table[11].Date_Day, qint16(day));
    QCOMPARE(state.Device_Table[11].Date_Month, qint16(month));
    QCOMPARE(state.Device_Table[11].Date_Year, qint16(year));
    QCOMPARE(board.colour(Column::Label4, 11), kAnsweredColour);
}

void TestProtocolDecoders::command13Descriptors_data() {
    QTest::addColumn<QByteArray>("packed");
    QTest::addColumn<QString>("text");
    QTest::newRow("zeros") << QByteArray(12, '\0') << QString(16, QLatin1Char('@'));
    QTest::newRow("blanks") << hex("820820 820820 820820 820820") << QString(16, QLatin1Char(' '));
    QTest::newRow("TEST DEVICE") << hex("5054D4 804156 243160 820820") << "TEST DEVICE     ";
    QTest::newRow("all ones") << QByteArray(12, char(0xFF)) << QString(16, QLatin1Char('?'));
}

void TestProtocolDecoders::command13Descriptors() {
    QFETCH(QByteArray, packed);
    QFETCH(QString, text);
    ProtocolState state;
    state.Hart_Address = 6;
    MemoryBoard board;
    ptest::storeAnswer(
        state, ptest::command13Answer(ptest::Identity{}, QByteArray(6, '\0'), packed, 1, 1, 1));
    Command_13(state, board);
    QCOMPARE(state.Device_Table[6].Device_Descriptor, text);
    QCOMPARE(board.caption(Column::Label3, 6), text);
    QCOMPARE(state.Device_Table[6].Device_Tag, QStringLiteral("@@@@@@@@"));
    QCOMPARE(board.caption(Column::Label2, 6), QStringLiteral("@@@@@@@@"));
}

void TestProtocolDecoders::command13Bad_data() {
    QTest::addColumn<QByteArray>("answer");
    const QByteArray golden = ptest::goldenCommand13();
    QTest::newRow("no answer") << QByteArray();
    QTest::newRow("check byte missing") << golden.left(31);
    QTest::newRow("header only") << golden.left(10);
    QByteArray corrupt = golden;
    corrupt[20] = char(corrupt[20] ^ 0x04);
    QTest::newRow("descriptor byte corrupted") << corrupt;
    QTest::newRow("answer to command 3") << ptest::goldenCommand3();
    QByteArray shortData = ptest::longHeader(ptest::Identity{}, 13, 22);
    shortData += golden.mid(10, 20);
    QTest::newRow("date cut off, own check right") << ptest::withCheck(shortData);
    QTest::newRow("fill bytes only") << QByteArray(31, char(20));
}

void TestProtocolDecoders::command13Bad() {
    QFETCH(QByteArray, answer);
    const int address = 8;
    ProtocolState state;
    state.Hart_Address = address;
    Device_Record& r = state.Device_Table[address];
    r.Device_Tag = QStringLiteral("OLD TAG ");
    r.Device_Descriptor = QStringLiteral("OLD DESCRIPTOR  ");
    r.Date_Day = 1;
    r.Date_Month = 2;
    r.Date_Year = 3;
    MemoryBoard board;
    ptest::fillWithMarkers(board);
    for (Column c : kCommand13Cells)
        board.setColour(c, address, kPendingColour);
    ptest::storeAnswer(state, answer);

    Command_13(state, board);

    for (Column c : kCommand13Cells) {
        QCOMPARE(board.colour(c, address), kIdleColour);
        QCOMPARE(board.caption(c, address), ptest::markerFor(c, address));
    }
    QVERIFY(!board.caption(Column::Label2, address).contains(QStringLiteral("EAPT")));
    QCOMPARE(r.Device_Tag, QStringLiteral("OLD TAG "));
    QCOMPARE(r.Device_Descriptor, QStringLiteral("OLD DESCRIPTOR  "));
    QCOMPARE(r.Date_Day, qint16(1));
    QCOMPARE(r.Date_Month, qint16(2));
    QCOMPARE(r.Date_Year, qint16(3));
    QCOMPARE(ptest::touchedOutside(board, kCommand13Cells, address), QString());
}

// ---- command 3 ----

void TestProtocolDecoders::command3Golden_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("captions");
    const QString nan = QStringLiteral("5.10423550381408E+38");
    QTest::newRow("point") << kEnglish << QStringList{"12.5", "1.23", "23.5", nan, nan};
    QTest::newRow("comma") << QLocale(QLocale::German, QLocale::Germany)
                           << QStringList{"12,5", "1,23", "23,5", "5,10423550381408E+38",
                                          "5,10423550381408E+38"};
}

void TestProtocolDecoders::command3Golden() {
    QFETCH(QLocale, locale);
    QFETCH(QStringList, captions);
    const int address = 9;
    ProtocolState state;
    state.Hart_Address = address;
    MemoryBoard board;
    ptest::fillWithMarkers(board);
    ptest::markPending(board, kCommand3Cells, address);
    ptest::storeAnswer(state, ptest::goldenCommand3());

    Command_3(state, board, locale);

    for (int i = 0; i < 5; ++i) {
        QCOMPARE(board.caption(kCommand3Cells[size_t(i)], address), captions.at(i));
        QCOMPARE(board.colour(kCommand3Cells[size_t(i)], address), kAnsweredColour);
    }
    QCOMPARE(state.Device_Table[address].Check_Sum, qint16(0x20));
    QCOMPARE(ptest::touchedOutside(board, kCommand3Cells, address), QString());
}

void TestProtocolDecoders::command3Values_data() {
    QTest::addColumn<QList<QByteArray>>("values"); // current, then the four variables
    QTest::addColumn<QStringList>("captions");
    const QByteArray f123 = hex("3F9E0610");
    QTest::newRow("1.23456 in every cell")
        << QList<QByteArray>{f123, f123, f123, f123, f123}
        << QStringList{"1.235", "1.23", "1.2346", "1.23", "1.23"};
    QTest::newRow("4 mA, zero bytes, nan bytes")
        << QList<QByteArray>{hex("40800000"), hex("00000000"), hex("7FA00000"), hex("80000000"),
                             hex("C1200000")}
        << QStringList{"4", "0", "4.25352958651173E+38", "0", "-10"};
    QTest::newRow("infinity bytes")
        << QList<QByteArray>{hex("7F800000"), hex("FF800000"), hex("3F800000"), hex("41BC0000"),
                             hex("40800000")}
        << QStringList{"3.40282366920938E+38", "-3.40282366920938E+38", "1", "23.5", "4"};
}

void TestProtocolDecoders::command3Values() {
    QFETCH(QList<QByteArray>, values);
    QFETCH(QStringList, captions);
    ProtocolState state;
    state.Hart_Address = 0;
    MemoryBoard board;
    ptest::storeAnswer(state,
                       ptest::command3Answer(ptest::Identity{}, values.at(0), values.mid(1)));
    Command_3(state, board, kEnglish);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(board.caption(kCommand3Cells[size_t(i)], 0), captions.at(i));
}

void TestProtocolDecoders::command3Partial_data() {
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<int>("shown"); // how many of the five cells show a value; -1: rejected
    QTest::newRow("current only") << 6 << 1;
    QTest::newRow("current and PV") << 11 << 2;
    QTest::newRow("current and PV, part of SV") << 15 << 2;
    QTest::newRow("current and two variables") << 16 << 3;
    QTest::newRow("current and three variables") << 21 << 4;
    QTest::newRow("one byte short of four") << 25 << 4;
    QTest::newRow("everything") << 26 << 5;
    QTest::newRow("more than everything") << 31 << 5;
    QTest::newRow("current cut off") << 5 << -1;
    QTest::newRow("response codes only") << 2 << -1;
}

void TestProtocolDecoders::command3Partial() {
    QFETCH(int, byteCount);
    QFETCH(int, shown);
    const QByteArray data = hex("41480000 20 3F800000 20 40800000 20 41BC0000 20 C1200000 20 "
                                "40800000");
    const QStringList all{"12.5", "1", "4", "23.5", "-10"};
    const int address = 14;
    ProtocolState state;
    state.Hart_Address = address;
    MemoryBoard board;
    ptest::fillWithMarkers(board);
    ptest::markPending(board, kCommand3Cells, address);
    ptest::storeAnswer(state, command3WithByteCount(byteCount, data));

    Command_3(state, board, kEnglish);

    for (int i = 0; i < 5; ++i) {
        const Column c = kCommand3Cells[size_t(i)];
        if (i < shown) {
            QCOMPARE(board.caption(c, address), all.at(i));
            QCOMPARE(board.colour(c, address), kAnsweredColour);
        } else {
            QCOMPARE(board.caption(c, address), QString());
            QCOMPARE(board.colour(c, address), kIdleColour);
        }
    }
    QCOMPARE(ptest::touchedOutside(board, kCommand3Cells, address), QString());
}

void TestProtocolDecoders::command3Bad_data() {
    QTest::addColumn<QByteArray>("answer");
    const QByteArray golden = ptest::goldenCommand3();
    QTest::newRow("no answer") << QByteArray();
    QTest::newRow("check byte missing") << golden.left(34);
    QTest::newRow("cut in the current") << golden.left(12);
    QByteArray corrupt = golden;
    corrupt[11] = char(corrupt[11] ^ 0x40);
    QTest::newRow("current corrupted") << corrupt;
    QTest::newRow("answer to command 13") << ptest::goldenCommand13();
    QTest::newRow("answer to command 0") << ptest::goldenCommand0Hart5();
}

void TestProtocolDecoders::command3Bad() {
    QFETCH(QByteArray, answer);
    const int address = 1;
    ProtocolState state;
    state.Hart_Address = address;
    MemoryBoard board;
    ptest::fillWithMarkers(board);
    for (Column c : kCommand3Cells)
        board.setColour(c, address, kPendingColour);
    ptest::storeAnswer(state, answer);

    Command_3(state, board, kEnglish);

    for (Column c : kCommand3Cells) {
        QCOMPARE(board.colour(c, address), kIdleColour);
        QCOMPARE(board.caption(c, address), ptest::markerFor(c, address));
    }
    QCOMPARE(ptest::touchedOutside(board, kCommand3Cells, address), QString());
}

// ---- board ----

void TestProtocolDecoders::designCaptions_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Label6 row 0") << int(Column::Label6) << 0 << "00";
    QTest::newRow("Label6 row 9") << int(Column::Label6) << 9 << "09";
    QTest::newRow("Label6 row 15") << int(Column::Label6) << 15 << "15";
    QTest::newRow("Label1 row 0") << int(Column::Label1) << 0 << "";
    QTest::newRow("Label1 row 1") << int(Column::Label1) << 1 << "";
    QTest::newRow("Label1 row 2") << int(Column::Label1) << 2 << " ";
    QTest::newRow("Label1 row 15") << int(Column::Label1) << 15 << " ";
    QTest::newRow("Label2") << int(Column::Label2) << 0 << " ";
    QTest::newRow("Label3") << int(Column::Label3) << 7 << " ";
    QTest::newRow("Label4") << int(Column::Label4) << 15 << " ";
    QTest::newRow("Label5") << int(Column::Label5) << 1 << " ";
    QTest::newRow("Label13") << int(Column::Label13) << 0 << "";
    QTest::newRow("Label14") << int(Column::Label14) << 4 << "";
    QTest::newRow("Label15") << int(Column::Label15) << 8 << "";
    QTest::newRow("Label16") << int(Column::Label16) << 12 << "";
    QTest::newRow("Label17") << int(Column::Label17) << 15 << "";
}

void TestProtocolDecoders::designCaptions() {
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, caption);
    const Column c = Column(column);
    QCOMPARE(designCaption(c, row), caption);

    MemoryBoard board;
    ptest::fillWithMarkers(board);
    applyDesignCaptions(board);
    QCOMPARE(board.caption(c, row), caption);
    QCOMPARE(board.colour(c, row), kIdleColour);
}

namespace {

Device_Record filledRecord(int seed) {
    Device_Record r;
    qint16 v = qint16(seed);
    for (qint16* f :
         {&r.Expansion_Code, &r.Manufacturer_ID, &r.Device_Type, &r.Preamble_Count,
          &r.Universal_Revision, &r.Device_Revision, &r.Software_Revision, &r.Hardware_Revision,
          &r.Device_Flags, &r.Device_ID1, &r.Device_ID2, &r.Device_ID3, &r.Date_Day, &r.Date_Month,
          &r.Date_Year, &r.Status_Byte1, &r.Status_Byte2, &r.Check_Sum})
        *f = ++v;
    r.Long_Address = QByteArray(5, char(seed));
    r.Unique_ID_Text = QStringLiteral("ID%1").arg(seed);
    r.Device_Tag = QStringLiteral("TAG%1").arg(seed);
    r.Device_Descriptor = QStringLiteral("DESC%1").arg(seed);
    return r;
}

bool isEmptyRecord(const Device_Record& r) {
    return r.Expansion_Code == 0 && r.Manufacturer_ID == 0 && r.Device_Type == 0 &&
           r.Preamble_Count == 0 && r.Universal_Revision == 0 && r.Device_Revision == 0 &&
           r.Software_Revision == 0 && r.Hardware_Revision == 0 && r.Device_Flags == 0 &&
           r.Device_ID1 == 0 && r.Device_ID2 == 0 && r.Device_ID3 == 0 && r.Date_Day == 0 &&
           r.Date_Month == 0 && r.Date_Year == 0 && r.Status_Byte1 == 0 && r.Status_Byte2 == 0 &&
           r.Check_Sum == 0 && r.Long_Address.isEmpty() && r.Unique_ID_Text.isEmpty() &&
           r.Device_Tag.isEmpty() && r.Device_Descriptor.isEmpty();
}

} // namespace

void TestProtocolDecoders::clearDevice() {
    DeviceTable table;
    for (int i = 0; i < 16; ++i)
        table[size_t(i)] = filledRecord(i + 1);
    Clear_Device(table, 3);
    QVERIFY(isEmptyRecord(table[3]));
    QCOMPARE(table[2].Device_Tag, QStringLiteral("TAG3"));
    QCOMPARE(table[4].Device_Tag, QStringLiteral("TAG5"));
    QCOMPARE(table[4].Check_Sum, filledRecord(5).Check_Sum);
}

void TestProtocolDecoders::clearDisplay() {
    ProtocolState state;
    state.Hart_Address = 7;
    state.Hart_Command = 13;
    state.Rx_Buffer.fill(20);
    for (int i = 0; i < 16; ++i)
        state.Device_Table[size_t(i)] = filledRecord(i + 1);
    MemoryBoard board;
    ptest::fillWithMarkers(board);
    for (int row = 0; row < kRowCount; ++row)
        board.setCaption(Column::Label6, row, designCaption(Column::Label6, row));
    board.setColour(Column::Label2, 3, kAnsweredColour);
    board.setColour(Column::Label1, 5, kPendingColour);

    for (int round = 0; round < 2; ++round) {
        Clear_Display(state, board);
        for (int row = 0; row < kRowCount; ++row) {
            for (Column c : kAllColumns) {
                QCOMPARE(board.colour(c, row), kIdleColour);
                if (c == Column::Label6)
                    QCOMPARE(board.caption(c, row),
                             QStringLiteral("%1").arg(row, 2, 10, QChar('0')));
                else
                    QCOMPARE(board.caption(c, row), QString());
            }
            QVERIFY2(isEmptyRecord(state.Device_Table[size_t(row)]),
                     qPrintable(QString::number(row)));
        }
        QCOMPARE(state.Hart_Address, qint16(0));
        for (qint16 cell : state.Rx_Buffer)
            QCOMPARE(cell, qint16(0));
    }
}

QTEST_GUILESS_MAIN(TestProtocolDecoders)
#include "tst_protocol_decoders.moc"
