// The polling cycle on a scripted loop: order of requests, the board after each answer, the
// receive step, failed reads and writes, and stops at every point where a step yields.

#include "board_helpers.h"
#include "fakes.h"
#include "protocol/board.h"
#include "protocol/polling_cycle.h"
#include "test_frames.h"

#include <QSignalSpy>
#include <QtTest>

using namespace protocol;
using ptest::bytes;
using ptest::hex;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QByteArray kPreamble = hex("FF FF FF FF FF");

struct Rig {
    ProtocolState state;
    MemoryBoard board;
    ptest::FakePort port;
    ptest::FakeTimer timer;
    ptest::FakeYield yield;
    PollingCycle cycle{state, board, port, timer, yield};

    Rig() {
        applyDesignCaptions(board);
        cycle.setLocale(kEnglish);
    }

    // Ticks until the request `frame` has just been written; false when it never comes.
    bool runUntilWritten(const QByteArray& frame, int maxTicks = 60) {
        for (int i = 0; i < maxTicks; ++i) {
            if (!port.written.isEmpty() && port.written.last() == frame)
                return true;
            if (!timer.fire())
                return false;
        }
        return !port.written.isEmpty() && port.written.last() == frame;
    }
};

ptest::Identity identityAt(int address) {
    return ptest::Identity{0x26, 0x06, 0x12, 0x34, 0x50 + address};
}

QString identifierAt(int address) {
    return QStringLiteral("26061234%1").arg(0x50 + address, 2, 16, QChar('0')).toUpper();
}

QByteArray hart7Command0Answer(int address, const ptest::Identity& id) {
    return ptest::withCheck(bytes({0x06,    0x80 | address,
                                   0x00,    0x18,
                                   0x00,    0x00,
                                   0xFE,    id.manufacturer,
                                   id.type, 5,
                                   7,       7,
                                   3,       0x64,
                                   0,       id.id1,
                                   id.id2,  id.id3,
                                   5,       1,
                                   0,       0,
                                   0,       0,
                                   0x99,    0,
                                   0x99,    0}));
}

const QStringList kValueCaptions{"12.5", "1.23", "23.5", "4", "-10"};

struct DeviceScript {
    bool answers0 = true;
    bool answers13 = true;
    bool answers3 = true;
    bool hart7 = false;
};

void addDevice(ptest::FakePort& port, int address, const DeviceScript& script) {
    const ptest::Identity id = identityAt(address);
    if (script.answers0)
        port.answers[ptest::shortRequest(address)] =
            kPreamble +
            (script.hart7 ? hart7Command0Answer(address, id) : ptest::command0Answer(address, id));
    if (script.answers13)
        port.answers[ptest::longRequest(id, 13)] =
            kPreamble + ptest::command13Answer(id, hex("414B71C31820"),
                                               hex("5054D4804156243160820820"), 5, 3, 109);
    if (script.answers3)
        port.answers[ptest::longRequest(id, 3)] =
            kPreamble + ptest::command3Answer(
                            id, hex("41480000"),
                            {hex("3F9E0610"), hex("41BC0000"), hex("40800000"), hex("C1200000")});
}

// The requests of `passes` whole passes from a fresh start, plus the first of the next pass.
QList<QByteArray> expectedRequests(const QList<int>& identified, int passes) {
    QList<QByteArray> out;
    for (int pass = 0; pass < passes; ++pass)
        for (int step = 1; step <= 16; ++step) {
            const int address = step % 16;
            out.append(ptest::shortRequest(address));
            if (identified.contains(address)) {
                out.append(ptest::longRequest(identityAt(address), 13));
                out.append(ptest::longRequest(identityAt(address), 3));
            }
        }
    out.append(ptest::shortRequest(1));
    return out;
}

QString describe(const QList<QByteArray>& frames) {
    QStringList parts;
    for (const QByteArray& f : frames)
        parts.append(QString::fromLatin1(f.toHex(' ')));
    return parts.join(QStringLiteral(" | "));
}

// Empty after a stop: every cell idle, every caption empty but the row numbers.
QString notCleared(const ProtocolState& state, const Board& board) {
    for (int row = 0; row < kRowCount; ++row)
        for (Column c : kAllColumns) {
            if (board.colour(c, row) != kIdleColour)
                return QStringLiteral("colour of %1").arg(ptest::markerFor(c, row));
            const QString expected = c == Column::Label6 ? designCaption(c, row) : QString();
            if (board.caption(c, row) != expected)
                return QStringLiteral("caption of %1").arg(ptest::markerFor(c, row));
        }
    if (state.Hart_Address != 0)
        return QStringLiteral("Hart_Address %1").arg(state.Hart_Address);
    for (const Device_Record& r : state.Device_Table)
        if (!r.Unique_ID_Text.isEmpty() || !r.Long_Address.isEmpty())
            return QStringLiteral("a record");
    return QString();
}

} // namespace

class TestProtocolCycle : public QObject {
    Q_OBJECT
private slots:
    void constructionInstallsTheTick();
    void firstPassOfAnEmptyLoop();
    void nextCommand_data();
    void nextCommand();
    void passOrder_data();
    void passOrder();
    void boardAfterEachAnswer_data();
    void boardAfterEachAnswer();
    void receive_data();
    void receive();
    void failedReadIsNothingReceived();
    void failedWriteStillWaits();
    void localeOfShownNumbers();
    void stopOutsideAStep();
    void stopAtYield_data();
    void stopAtYield();
    void stopAndStartAtYield_data();
    void stopAndStartAtYield();
};

void TestProtocolCycle::constructionInstallsTheTick() {
    Rig rig;
    QVERIFY(rig.timer.hasHandler());
    QVERIFY(!rig.timer.isArmed());
    QVERIFY(!rig.cycle.isRunning());
    QVERIFY(rig.port.written.isEmpty());
}

void TestProtocolCycle::firstPassOfAnEmptyLoop() {
    Rig rig;
    rig.cycle.start();
    QVERIFY(rig.cycle.isRunning());
    QVERIFY(rig.timer.isArmed());
    QCOMPARE(rig.port.written.size(), 1);
    QCOMPARE(rig.port.written.first().toHex(' '), hex("FF FF FF FF 02 01 00 00 03").toHex(' '));
    QCOMPARE(rig.state.Tx_String, rig.port.written.first());
    QCOMPARE(rig.state.Hart_Command, qint16(0));
    QCOMPARE(rig.state.Hart_Address, qint16(1));
    for (Column c : kCommand0Cells)
        QCOMPARE(rig.board.colour(c, 1), kPendingColour);
    QCOMPARE(rig.board.caption(Column::Label6, 1), QStringLiteral("01"));
    QCOMPARE(rig.board.caption(Column::Label1, 1), QString());
    QCOMPARE(rig.board.caption(Column::Label5, 1), QString());
    QCOMPARE(rig.board.colour(Column::Label1, 2), kIdleColour);

    for (int tick = 0; tick < 16; ++tick)
        QVERIFY(rig.timer.fire());
    QCOMPARE(describe(rig.port.written), describe(expectedRequests({}, 1)));
    // Address 0 came after 15, and the missing answers left the rows idle.
    for (int row = 0; row < kRowCount; ++row) {
        if (row == 1)
            continue;
        QCOMPARE(rig.board.colour(Column::Label1, row), kIdleColour);
        QCOMPARE(rig.board.caption(Column::Label1, row), QString());
        QCOMPARE(rig.board.caption(Column::Label6, row), designCaption(Column::Label6, row));
    }
}

void TestProtocolCycle::nextCommand_data() {
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("identifier"); // caption of Label1 in the row in hand
    QTest::addColumn<int>("lastCommand");
    QTest::addColumn<QByteArray>("request");
    const ptest::Identity id = identityAt(6);
    QTest::newRow("no identifier") << 6 << "" << 0 << ptest::shortRequest(7);
    QTest::newRow("blank identifier") << 6 << " " << 13 << ptest::shortRequest(7);
    QTest::newRow("blanks only") << 6 << "   " << 3 << ptest::shortRequest(7);
    QTest::newRow("15 wraps to 0") << 15 << "" << 0 << ptest::shortRequest(0);
    QTest::newRow("13 after 0") << 6 << "2606123456" << 0 << ptest::longRequest(id, 13);
    QTest::newRow("blanks around the identifier")
        << 6 << " 2606123456 " << 0 << ptest::longRequest(id, 13);
    QTest::newRow("3 after 13") << 6 << "2606123456" << 13 << ptest::longRequest(id, 3);
    QTest::newRow("0 after 3") << 6 << "2606123456" << 3 << ptest::shortRequest(7);
    QTest::newRow("0 after anything else") << 6 << "2606123456" << 48 << ptest::shortRequest(7);
}

void TestProtocolCycle::nextCommand() {
    QFETCH(int, address);
    QFETCH(QString, identifier);
    QFETCH(int, lastCommand);
    QFETCH(QByteArray, request);
    Rig rig;
    const ptest::Identity id = identityAt(6);
    Device_Record& r = rig.state.Device_Table[6];
    r.Manufacturer_ID = qint16(id.manufacturer);
    r.Device_Type = qint16(id.type);
    r.Device_ID1 = qint16(id.id1);
    r.Device_ID2 = qint16(id.id2);
    r.Device_ID3 = qint16(id.id3);
    r.Long_Address = bytes({id.manufacturer, id.type, id.id1, id.id2, id.id3});
    rig.state.Hart_Address = qint16(address);
    rig.state.Hart_Command = qint16(lastCommand);
    rig.board.setCaption(Column::Label1, address, identifier);

    rig.cycle.start(); // the first step of a run goes out at once

    QCOMPARE(rig.port.written.size(), 1);
    QCOMPARE(rig.port.written.last().toHex(' '), request.toHex(' '));
    QVERIFY(rig.timer.isArmed());
}

void TestProtocolCycle::passOrder_data() {
    QTest::addColumn<QList<int>>("full");     // answer every command
    QTest::addColumn<QList<int>>("zeroOnly"); // answer command 0 only
    QTest::addColumn<QList<int>>("hart7");    // answer everything, 22-byte command-0 answer
    QTest::newRow("empty loop") << QList<int>{} << QList<int>{} << QList<int>{};
    QTest::newRow("device at 3") << QList<int>{3} << QList<int>{} << QList<int>{};
    QTest::newRow("device at 3 answers 0 only") << QList<int>{} << QList<int>{3} << QList<int>{};
    QTest::newRow("devices at 0, 1 and 15") << QList<int>{0, 1, 15} << QList<int>{} << QList<int>{};
    QTest::newRow("hart 7 device at 5") << QList<int>{} << QList<int>{} << QList<int>{5};
    QTest::newRow("mixed") << QList<int>{2, 9} << QList<int>{0, 4} << QList<int>{15};
}

void TestProtocolCycle::passOrder() {
    QFETCH(QList<int>, full);
    QFETCH(QList<int>, zeroOnly);
    QFETCH(QList<int>, hart7);
    Rig rig;
    for (int a : full)
        addDevice(rig.port, a, DeviceScript{});
    for (int a : zeroOnly)
        addDevice(rig.port, a, DeviceScript{true, false, false, false});
    for (int a : hart7)
        addDevice(rig.port, a, DeviceScript{true, true, true, true});
    const QList<int> identified = full + zeroOnly + hart7;
    const int stepsPerPass = 16 + 2 * int(identified.size());

    rig.cycle.start();
    for (int tick = 0; tick < 2 * stepsPerPass; ++tick)
        QVERIFY(rig.timer.fire());
    QCOMPARE(rig.port.written.size(), 2 * stepsPerPass + 1);
    QCOMPARE(describe(rig.port.written), describe(expectedRequests(identified, 2)));
    // Command 0 to address 1 has just gone out again, which empties its identifier.
    for (int a : identified) {
        QCOMPARE(rig.board.caption(Column::Label1, a), a == 1 ? QString() : identifierAt(a));
        QCOMPARE(rig.board.colour(Column::Label1, a), a == 1 ? kPendingColour : kAnsweredColour);
    }
    for (int a : full + hart7)
        QCOMPARE(rig.board.caption(Column::Label2, a), QStringLiteral("PT-101  "));
}

void TestProtocolCycle::boardAfterEachAnswer_data() {
    QTest::addColumn<bool>("answers13");
    QTest::addColumn<bool>("answers3");
    QTest::newRow("answers everything") << true << true;
    QTest::newRow("answers 0 only") << false << false;
    QTest::newRow("answers 0 and 13") << true << false;
    QTest::newRow("answers 0 and 3") << false << true;
}

void TestProtocolCycle::boardAfterEachAnswer() {
    QFETCH(bool, answers13);
    QFETCH(bool, answers3);
    const int a = 3;
    const ptest::Identity id = identityAt(a);
    Rig rig;
    addDevice(rig.port, a, DeviceScript{true, answers13, answers3, false});
    rig.cycle.start();
    QVERIFY(rig.runUntilWritten(ptest::shortRequest(a)));
    QCOMPARE(rig.port.written.size(), 3);
    for (int row : {1, 2}) {
        for (Column c : kCommand0Cells)
            QCOMPARE(rig.board.colour(c, row), kIdleColour);
        QCOMPARE(rig.board.caption(Column::Label1, row), QString());
        QCOMPARE(rig.board.caption(Column::Label5, row), QString());
    }
    for (Column c : kCommand0Cells)
        QCOMPARE(rig.board.colour(c, a), kPendingColour);
    QCOMPARE(rig.board.caption(Column::Label1, a), QString());

    // Command 0 answered: identity shown and stored, command 13 out.
    QVERIFY(rig.timer.fire());
    QCOMPARE(rig.board.caption(Column::Label1, a), identifierAt(a));
    QCOMPARE(rig.board.caption(Column::Label5, a), QStringLiteral("00 00"));
    for (Column c : kCommand0Cells)
        QCOMPARE(rig.board.colour(c, a), kAnsweredColour);
    QCOMPARE(rig.state.Device_Table[a].Long_Address.toHex(' '), QByteArray("26 06 12 34 53"));
    QCOMPARE(rig.state.Device_Table[a].Unique_ID_Text, identifierAt(a));
    QCOMPARE(rig.port.written.last().toHex(' '), ptest::longRequest(id, 13).toHex(' '));
    QCOMPARE(rig.state.Hart_Command, qint16(13));
    QCOMPARE(rig.state.Hart_Address, qint16(a));
    for (Column c : kCommand13Cells) {
        QCOMPARE(rig.board.colour(c, a), kPendingColour);
        QCOMPARE(rig.board.caption(c, a), QString());
    }

    // Command 13: tag, descriptor and date, or idle cells; command 3 out either way.
    QVERIFY(rig.timer.fire());
    const QStringList texts13{"PT-101  ", "TEST DEVICE     ", "05.03.2009"};
    for (int i = 0; i < 3; ++i) {
        const Column c = kCommand13Cells[size_t(i)];
        QCOMPARE(rig.board.colour(c, a), answers13 ? kAnsweredColour : kIdleColour);
        QCOMPARE(rig.board.caption(c, a), answers13 ? texts13.at(i) : QString());
    }
    QCOMPARE(rig.state.Device_Table[a].Device_Tag, answers13 ? texts13.at(0) : QString());
    QCOMPARE(rig.board.caption(Column::Label1, a), identifierAt(a));
    QCOMPARE(rig.board.colour(Column::Label1, a), kAnsweredColour);
    QCOMPARE(rig.port.written.last().toHex(' '), ptest::longRequest(id, 3).toHex(' '));
    for (Column c : kCommand3Cells) {
        QCOMPARE(rig.board.colour(c, a), kPendingColour);
        QCOMPARE(rig.board.caption(c, a), QString());
    }

    // Command 3: the values, or idle cells; then command 0 to the next address.
    QVERIFY(rig.timer.fire());
    for (int i = 0; i < 5; ++i) {
        const Column c = kCommand3Cells[size_t(i)];
        QCOMPARE(rig.board.colour(c, a), answers3 ? kAnsweredColour : kIdleColour);
        QCOMPARE(rig.board.caption(c, a), answers3 ? kValueCaptions.at(i) : QString());
    }
    QCOMPARE(rig.board.caption(Column::Label1, a), identifierAt(a));
    QCOMPARE(rig.port.written.last().toHex(' '), ptest::shortRequest(a + 1).toHex(' '));
    for (Column c : kCommand0Cells)
        QCOMPARE(rig.board.colour(c, a + 1), kPendingColour);

    // Next pass: the identifier goes as soon as command 0 is out again; the rest of the row stays.
    QVERIFY(rig.runUntilWritten(ptest::shortRequest(a)));
    QCOMPARE(rig.board.caption(Column::Label1, a), QString());
    QCOMPARE(rig.board.caption(Column::Label5, a), QString());
    QCOMPARE(rig.board.colour(Column::Label1, a), kPendingColour);
    QCOMPARE(rig.board.caption(Column::Label2, a), answers13 ? texts13.at(0) : QString());
    QCOMPARE(rig.board.caption(Column::Label13, a), answers3 ? kValueCaptions.at(0) : QString());

    // The device falls silent: no identifier, no commands 13 and 3, the identity kept.
    rig.port.answers.clear();
    rig.port.waiting.clear(); // the answer queued when command 0 went out
    QVERIFY(rig.timer.fire());
    QCOMPARE(rig.board.caption(Column::Label1, a), QString());
    for (Column c : kCommand0Cells)
        QCOMPARE(rig.board.colour(c, a), kIdleColour);
    QCOMPARE(rig.state.Device_Table[a].Long_Address.toHex(' '), QByteArray("26 06 12 34 53"));
    QCOMPARE(rig.port.written.last().toHex(' '), ptest::shortRequest(a + 1).toHex(' '));

    // It answers again a pass later: shown again, and read with 13 and 3.
    addDevice(rig.port, a, DeviceScript{});
    QVERIFY(rig.runUntilWritten(ptest::shortRequest(a)));
    QCOMPARE(rig.board.caption(Column::Label1, a), QString());
    QVERIFY(rig.timer.fire());
    QCOMPARE(rig.board.caption(Column::Label1, a), identifierAt(a));
    QCOMPARE(rig.port.written.last().toHex(' '), ptest::longRequest(id, 13).toHex(' '));
}

void TestProtocolCycle::receive_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("dump");
    QTest::addColumn<QByteArray>("rxString"); // the answer after the preamble strip
    QTest::addColumn<QByteArray>("stored");   // what lands in Rx_Buffer from cell 0 on

    QTest::newRow("preamble and three bytes")
        << hex("FF FF FF FF FF 06 01 00") << " FF FF FF FF FF 06 01 00" << hex("06 01 00")
        << hex("06 01 00");
    QTest::newRow("no preamble") << hex("06 81 00") << " 06 81 00" << hex("06 81 00")
                                 << hex("06 81 00");
    QTest::newRow("one preamble byte")
        << hex("FF 00 FF") << " FF 00 FF" << hex("00 FF") << hex("00 FF");
    QTest::newRow("preamble only")
        << hex("FF FF FF FF") << " FF FF FF FF" << hex("FF FF FF FF") << hex("FF FF FF FF");
    QTest::newRow("nothing") << QByteArray() << QString() << QByteArray() << QByteArray();

    QByteArray big = hex("FF FF");
    for (int i = 0; i < 1100; ++i)
        big.append(char(i % 251));
    QString bigDump;
    for (char c : big)
        bigDump += QStringLiteral(" %1").arg(quint8(c), 2, 16, QChar('0')).toUpper();
    QTest::newRow("more than the buffer holds") << big << bigDump << big.mid(2) << big.mid(2, 1024);
}

void TestProtocolCycle::receive() {
    QFETCH(QByteArray, answer);
    QFETCH(QString, dump);
    QFETCH(QByteArray, rxString);
    QFETCH(QByteArray, stored);
    Rig rig;
    rig.state.Rx_Buffer.fill(0x55); // whatever an earlier answer left
    rig.port.answers[ptest::shortRequest(1)] = answer;
    QSignalSpy spy(&rig.cycle, &PollingCycle::answerReceived);
    rig.cycle.start();
    QCOMPARE(spy.count(), 0);
    QVERIFY(rig.timer.fire());

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), int(answer.size()));
    QCOMPARE(spy.at(0).at(1).toString(), dump);
    QCOMPARE(rig.state.Rx_Dump, dump);
    QCOMPARE(rig.state.Rx_String.toHex(' '), rxString.toHex(' '));
    QCOMPARE(rig.state.Rx_Stored, int(stored.size()));
    for (int k = 0; k < kRxBufferSize; ++k) {
        const qint16 expected = k < stored.size() ? qint16(quint8(stored.at(k))) : kRxFill;
        if (rig.state.Rx_Buffer[size_t(k)] != expected)
            QFAIL(qPrintable(QStringLiteral("cell %1 holds %2, expected %3")
                                 .arg(k)
                                 .arg(rig.state.Rx_Buffer[size_t(k)])
                                 .arg(expected)));
    }
    // The cycle went on.
    QCOMPARE(rig.port.written.last(), ptest::shortRequest(2));
}

void TestProtocolCycle::failedReadIsNothingReceived() {
    Rig rig;
    addDevice(rig.port, 1, DeviceScript{true, true, true, false});
    QSignalSpy spy(&rig.cycle, &PollingCycle::answerReceived);
    rig.cycle.start();
    QVERIFY(rig.timer.fire());
    QCOMPARE(rig.board.caption(Column::Label1, 1), identifierAt(1));
    QCOMPARE(spy.count(), 1);

    // The port fails while command 13 is out: the command-0 answer must not come back.
    rig.port.failReads = true;
    QVERIFY(rig.timer.fire());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toInt(), 0);
    QCOMPARE(spy.at(1).at(1).toString(), QString());
    QCOMPARE(rig.state.Rx_Dump, QString());
    QCOMPARE(rig.state.Rx_Stored, 0);
    for (qint16 cell : rig.state.Rx_Buffer)
        QCOMPARE(cell, kRxFill);
    for (Column c : kCommand13Cells) {
        QCOMPARE(rig.board.colour(c, 1), kIdleColour);
        QCOMPARE(rig.board.caption(c, 1), QString());
    }
    QCOMPARE(rig.state.Device_Table[1].Device_Tag, QString());
    QCOMPARE(rig.port.written.last(), ptest::longRequest(identityAt(1), 3));
    QVERIFY(rig.timer.isArmed());

    // Command 3 fails the same way and the cycle moves on.
    QVERIFY(rig.timer.fire());
    for (Column c : kCommand3Cells)
        QCOMPARE(rig.board.colour(c, 1), kIdleColour);
    QCOMPARE(rig.port.written.last(), ptest::shortRequest(2));
}

void TestProtocolCycle::failedWriteStillWaits() {
    Rig rig;
    rig.port.failWrites = true;
    rig.cycle.start();
    QVERIFY(rig.port.written.isEmpty());
    QVERIFY(rig.timer.isArmed());
    QVERIFY(rig.timer.fire());
    QCOMPARE(rig.state.Hart_Address, qint16(2));
    rig.port.failWrites = false;
    QVERIFY(rig.timer.fire());
    QCOMPARE(rig.port.written.size(), 1);
    QCOMPARE(rig.port.written.last(), ptest::shortRequest(3));
}

void TestProtocolCycle::localeOfShownNumbers() {
    Rig rig;
    rig.cycle.setLocale(QLocale(QLocale::German, QLocale::Germany));
    addDevice(rig.port, 1, DeviceScript{});
    rig.cycle.start();
    QVERIFY(rig.runUntilWritten(ptest::shortRequest(2)));
    QCOMPARE(rig.board.caption(Column::Label13, 1), QStringLiteral("12,5"));
    QCOMPARE(rig.board.caption(Column::Label14, 1), QStringLiteral("1,23"));
}

void TestProtocolCycle::stopOutsideAStep() {
    Rig rig;
    addDevice(rig.port, 1, DeviceScript{});
    addDevice(rig.port, 2, DeviceScript{});
    rig.cycle.start();
    QVERIFY(rig.runUntilWritten(ptest::longRequest(identityAt(2), 13)));
    const int written = int(rig.port.written.size());

    rig.cycle.stop();
    QVERIFY(!rig.cycle.isRunning());
    QVERIFY(!rig.timer.isArmed());
    QVERIFY(!rig.timer.fire());
    QCOMPARE(int(rig.port.written.size()), written);
    QCOMPARE(notCleared(rig.state, rig.board), QString());
    for (qint16 cell : rig.state.Rx_Buffer)
        QCOMPARE(cell, qint16(0));

    // A new run starts over at address 1.
    rig.cycle.start();
    QVERIFY(rig.cycle.isRunning());
    QCOMPARE(rig.port.written.last(), ptest::shortRequest(1));
    QVERIFY(rig.timer.fire());
    QCOMPARE(rig.port.written.last(), ptest::longRequest(identityAt(1), 13));
}

namespace {

void addYieldRows() {
    QTest::addColumn<int>("yieldNo");
    QTest::newRow("after the flush of the first step") << 1;
    QTest::newRow("after the write of the first step") << 2;
    QTest::newRow("after the first decoder") << 3;
    QTest::newRow("after the flush of the second step") << 4;
    QTest::newRow("after the write of the second step") << 5;
}

} // namespace

void TestProtocolCycle::stopAtYield_data() {
    addYieldRows();
}

void TestProtocolCycle::stopAtYield() {
    QFETCH(int, yieldNo);
    Rig rig;
    addDevice(rig.port, 1, DeviceScript{});
    int writtenAtStop = -1;
    rig.yield.at(yieldNo, [&] {
        writtenAtStop = int(rig.port.written.size());
        rig.cycle.stop();
    });
    rig.cycle.start();
    if (yieldNo > 2)
        QVERIFY(rig.timer.fire());
    QVERIFY2(writtenAtStop >= 0, "the stop never ran");

    QVERIFY(!rig.cycle.isRunning());
    QVERIFY(!rig.timer.isArmed());
    QCOMPARE(int(rig.port.written.size()), writtenAtStop);
    QCOMPARE(notCleared(rig.state, rig.board), QString());
    for (int tick = 0; tick < 3; ++tick)
        QVERIFY(!rig.timer.fire());
    QCOMPARE(int(rig.port.written.size()), writtenAtStop);
}

void TestProtocolCycle::stopAndStartAtYield_data() {
    addYieldRows();
}

void TestProtocolCycle::stopAndStartAtYield() {
    QFETCH(int, yieldNo);
    Rig rig;
    int writtenAtStop = -1;
    rig.yield.at(yieldNo, [&] {
        writtenAtStop = int(rig.port.written.size());
        rig.cycle.stop();
        rig.cycle.start();
    });
    rig.cycle.start();
    if (yieldNo > 2)
        QVERIFY(rig.timer.fire());
    QVERIFY2(writtenAtStop >= 0, "the stop never ran");

    // Only the new run's first request went out after the restart.
    QVERIFY(rig.cycle.isRunning());
    QVERIFY(rig.timer.isArmed());
    QCOMPARE(describe(rig.port.written.mid(writtenAtStop)), describe({ptest::shortRequest(1)}));

    // One chain only: one request per tick, in order.
    for (int address = 2; address <= 6; ++address) {
        const int before = int(rig.port.written.size());
        QVERIFY(rig.timer.fire());
        QCOMPARE(int(rig.port.written.size()), before + 1);
        QCOMPARE(rig.port.written.last().toHex(' '), ptest::shortRequest(address).toHex(' '));
    }
}

QTEST_GUILESS_MAIN(TestProtocolCycle)
#include "tst_protocol_cycle.moc"
