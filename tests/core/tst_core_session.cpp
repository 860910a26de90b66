// The loop session with no window at all: QtCore and QtSerialPort only, a board held in memory,
// polling hart-loop-sim over a pseudo-terminal. What a front end without a display gets: the
// instruments in the field model and their measurements recorded.

#include "core/loop_session.h"
#include "protocol/polling_cycle.h"
#include "simulated_loop.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class CoreSessionTest : public QObject {
    Q_OBJECT
private slots:
    void pollsAndRecordsWithoutAWindow();
};

void CoreSessionTest::pollsAndRecordsWithoutAWindow() {
    SimulatedLoop loop;
    QVERIFY(!loop.start().isEmpty());
    QStringList messages;
    protocol::MemoryBoard board;
    core::LoopSession::Setup setup;
    setup.settingsDir = loop.path("settings") + QLatin1Char('/');
    const QDateTime now(QDate(2026, 12, 7), QTime(9, 30));
    setup.now = [now] { return now; };
    setup.locale = QLocale(QLocale::English);
    setup.messages = [&messages](const QString& text) { messages << text; };
    core::LoopSession session(board, setup);
    session.settings().openAtStartup();
    session.portController().Open_Port();
    QCOMPARE(session.portController().lampColour(), serial::kLampOpen);
    session.recorder().setEnabled(true);

    // One pass over the default loop, each answer wait ended by the test.
    session.cycle().start();
    for (int step = 1; step <= 16 + 2 * 3; ++step) {
        QTest::qWait(150);
        session.cycle().Timer3_Timer();
    }
    session.recorder().waitUntilWritten();

    QCOMPARE(messages, QStringList());
    for (const int address : {1, 2, 5}) {
        const field::Instrument& in = session.fieldModel().instrument(address);
        QVERIFY2(in.identity && in.tag && in.history.samples().size() == 1,
                 qPrintable(QString::number(address)));
    }
    QVERIFY(!session.fieldModel().instrument(3).identity);
    // A stop clears the board and with it what the model knew.
    session.cycle().stop();
    QVERIFY(!session.fieldModel().instrument(1).identity);
    QFile csv(setup.settingsDir + "2026/December/2026-12-07.csv");
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 3 + 1);
    QVERIFY(lines[1].startsWith("2026-12-07T09:30:00.000"));
    QVERIFY(lines[1].contains(",1,3C51102031,PT-101,"));
    QVERIFY(loop.stop());
}

QTEST_GUILESS_MAIN(CoreSessionTest)
#include "tst_core_session.moc"
