// The whole polling cycle on the real serial port, against hart-loop-sim in its own process.

#include "protocol/board.h"
#include "protocol/polling_cycle.h"
#include "protocol/protocol_state.h"
#include "protocol/qt_cycle_ports.h"
#include "serial/port_controller.h"
#include "serial/serial_port.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <optional>

using namespace protocol;

namespace {

// The simulator answers at once with --fast, so the test waits a fraction of the 600 ms the
// monitor allows a real loop.
class ShortAnswerTimer final : public AnswerTimer {
public:
    ShortAnswerTimer() {
        m_timer.setInterval(120);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { m_handler(); });
    }
    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }
    void arm() override { m_timer.start(); }
    void disarm() override { m_timer.stop(); }
    bool isArmed() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};

// Runs pending events and photographs the board at the yield that follows the decoding of a
// chosen step's answer (every step yields three times: after the flush, after the write and
// after decoding).
class SnapshotYield final : public EventYield {
public:
    SnapshotYield(const MemoryBoard& board, int afterStep) : m_board(board), m_at(3 * afterStep) {}
    void yield() override {
        QCoreApplication::processEvents();
        if (++m_count == m_at)
            snapshot = m_board;
    }
    std::optional<MemoryBoard> snapshot;

private:
    const MemoryBoard& m_board;
    int m_at;
    int m_count = 0;
};

// Requests as the simulator logged them, each as "<command>@<polling address>".
QStringList loggedRequests(const QString& logPath) {
    const QMap<QByteArray, int> longAddresses = {{QByteArray::fromHex("3C51102031"), 1},
                                                 {QByteArray::fromHex("A43E0B5C7E"), 2},
                                                 {QByteArray::fromHex("1F92004D21"), 5}};
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QStringList requests;
    while (!log.atEnd()) {
        const QList<QByteArray> fields = log.readLine().trimmed().split(' ');
        if (fields.size() < 3 || fields[1] != "RX")
            continue;
        QByteArray frame;
        for (int k = 2; k < fields.size() && fields[k].size() == 2; ++k)
            frame.append(QByteArray::fromHex(fields[k]));
        while (frame.startsWith('\xFF'))
            frame.remove(0, 1);
        if (frame.size() >= 3 && quint8(frame[0]) == 0x02)
            requests << QStringLiteral("%1@%2").arg(quint8(frame[2])).arg(quint8(frame[1]));
        else if (frame.size() >= 7 && quint8(frame[0]) == 0x82)
            requests << QStringLiteral("%1@%2")
                            .arg(quint8(frame[6]))
                            .arg(longAddresses.value(frame.mid(1, 5), -1));
    }
    return requests;
}

} // namespace

class LoopPollTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void onePassReadsTheDefaultLoop();

private:
    QTemporaryDir m_dir;
    QProcess m_sim;
};

void LoopPollTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_sim.start(QStringLiteral(HART_LOOP_SIM),
                {"--fast", "--link", m_dir.filePath("loop"), "--log", m_dir.filePath("sim.log")});
    QVERIFY(m_sim.waitForStarted());
    QVERIFY(m_sim.waitForReadyRead(5000));
    const QString banner = QString::fromUtf8(m_sim.readLine()).trimmed();
    QVERIFY2(banner.startsWith("hart-loop-sim: serving 3 instruments on /dev/pts/"),
             qPrintable(banner));
    qputenv("CORVANTELIS_COM1", m_dir.filePath("loop").toLocal8Bit());
}

void LoopPollTest::cleanupTestCase() {
    m_sim.terminate();
    QVERIFY(m_sim.waitForFinished(5000));
    QCOMPARE(m_sim.exitCode(), 0);
}

void LoopPollTest::onePassReadsTheDefaultLoop() {
    // Three instruments: a pass is 16 commands 0 plus 13 and 3 for each.
    constexpr int kStepsPerPass = 16 + 2 * 3;

    serial::SerialPort port;
    QtEventYield portYield;
    QStringList messages;
    serial::PortController controller(port, portYield,
                                      [&messages](const QString& text) { messages << text; });
    controller.Open_Port();
    QCOMPARE(controller.lampColour(), serial::kLampOpen);
    QCOMPARE(messages, QStringList());

    ProtocolState state;
    MemoryBoard board;
    ShortAnswerTimer timer;
    SnapshotYield yield(board, kStepsPerPass);
    PollingCycle cycle(state, board, port, timer, yield);
    cycle.setLocale(QLocale::c());
    QElapsedTimer clock;
    clock.start();
    cycle.start();
    QTRY_VERIFY_WITH_TIMEOUT(yield.snapshot.has_value(), 20000);
    cycle.stop();
    qInfo("one pass of %d steps took %lld ms", kStepsPerPass, clock.elapsed());

    // The requests, in the order the cycle must send them.
    QStringList expected = {"0@1", "13@1", "3@1", "0@2",  "13@2", "3@2",
                            "0@3", "0@4",  "0@5", "13@5", "3@5"};
    for (int address = 6; address < 16; ++address)
        expected << QStringLiteral("0@%1").arg(address);
    expected << "0@0";
    QCOMPARE(loggedRequests(m_dir.filePath("sim.log")).mid(0, kStepsPerPass), expected);

    const MemoryBoard& shown = *yield.snapshot;
    struct Instrument {
        int row;
        QString id, tag, descriptor, date;
        int variables;
    };
    const QList<Instrument> instruments = {
        {1, "3C51102031", "PT-101  ", "DISCHARGE PRESS ", "14.05.2019", 4},
        {2, "A43E0B5C7E", "TT-202  ", "REACTOR INLET   ", "03.11.2021", 4},
        {5, "1F92004D21", "FT-305  ", "COOLING WATER   ", "20.02.2023", 2},
    };
    QSet<int> rowsWithInstruments;
    for (const Instrument& device : instruments) {
        const int row = device.row;
        rowsWithInstruments.insert(row);
        QCOMPARE(shown.caption(Column::Label1, row), device.id);
        QCOMPARE(shown.caption(Column::Label5, row), QStringLiteral("00 00"));
        QCOMPARE(shown.caption(Column::Label2, row), device.tag);
        QCOMPARE(shown.caption(Column::Label3, row), device.descriptor);
        QCOMPARE(shown.caption(Column::Label4, row), device.date);
        for (Column column : kCommand0Cells)
            QCOMPARE(shown.colour(column, row), kAnsweredColour);
        for (Column column : kCommand13Cells)
            QCOMPARE(shown.colour(column, row), kAnsweredColour);

        // The loop current and the variables the instrument sends are numbers; the others
        // stay empty and idle.
        for (int k = 0; k < 5; ++k) {
            const Column column = kCommand3Cells[static_cast<size_t>(k)];
            const QString caption = shown.caption(column, row);
            if (k <= device.variables) {
                bool isNumber = false;
                caption.toDouble(&isNumber);
                QVERIFY2(isNumber,
                         qPrintable(QStringLiteral("row %1: '%2'").arg(row).arg(caption)));
                QCOMPARE(shown.colour(column, row), kAnsweredColour);
            } else {
                QCOMPARE(caption, QString());
                QCOMPARE(shown.colour(column, row), kIdleColour);
            }
        }
        const double current = shown.caption(Column::Label13, row).toDouble();
        QVERIFY2(current >= 4.0 && current <= 20.0, qPrintable(QString::number(current)));
    }

    for (int row = 0; row < kRowCount; ++row) {
        if (rowsWithInstruments.contains(row))
            continue;
        for (Column column : kAllColumns) {
            QCOMPARE(shown.colour(column, row), kIdleColour);
            if (column != Column::Label6)
                QVERIFY(shown.caption(column, row).trimmed().isEmpty());
        }
    }

    // The stop held: nothing was written after it.
    const int requestsSoFar = loggedRequests(m_dir.filePath("sim.log")).size();
    QTest::qWait(400);
    QCOMPARE(loggedRequests(m_dir.filePath("sim.log")).size(), requestsSoFar);
    QCOMPARE(state.Hart_Address, qint16(0));
}

QTEST_GUILESS_MAIN(LoopPollTest)
#include "tst_loop_poll.moc"
