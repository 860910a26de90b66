// The loop session with no window at all: QtCore and QtSerialPort only, its own board in memory,
// polling hart-loop-sim over a pseudo-terminal. What a front end without a display gets: the
// instruments in the field model and their measurements recorded.

#include "core/details_reader.h"
#include "core/loop_session.h"
#include "core/network_words.h"
#include "cycle_rig.h"
#include "protocol/polling_cycle.h"
#include "simulated_loop.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The golden instrument at address 1 saying "more status available" in its answers to 13 and 3,
// a field model and the details reader on a clock the test moves.
struct MoreStatusLoop {
    MoreStatusLoop() {
        rig.addDevice(1);
        rig.answers[ptest::kRequest13] = saying(ptest::kAnswer13);
        rig.answers[ptest::kRequest3] = saying(ptest::kAnswer3);
        QObject::connect(&rig.cycle, &protocol::PollingCycle::answerDecoded, &model,
                         &field::FieldModel::takeAnswer);
    }
    static QByteArray saying(QByteArray frame) {
        frame[9] = char(0x10);
        return ptest::hex("FF FF FF FF FF") + ptest::withCheck(frame.chopped(1));
    }
    QDateTime now{QDate(2026, 12, 8), QTime(9, 0)};
    ptest::Rig rig;
    field::FieldModel model{[this] { return now; }};
    core::DetailsReader details{rig.cycle, model, [this] { return now; }};
};

} // namespace

class CoreSessionTest : public QObject {
    Q_OBJECT
private slots:
    void pollsAndRecordsWithoutAWindow();
    void moreStatusReadAgainAtMostEvery10s_data();
    void moreStatusReadAgainAtMostEvery10s();
    void followReadingsAtMostOneStepApart();
    void addressProblemsSaid_data();
    void addressProblemsSaid();
};

void CoreSessionTest::pollsAndRecordsWithoutAWindow() {
    SimulatedLoop loop;
    QVERIFY(!loop.start().isEmpty());
    QStringList messages;
    core::LoopSession::Setup setup;
    setup.settingsDir = loop.path("settings") + QLatin1Char('/');
    const QDateTime now(QDate(2026, 12, 7), QTime(9, 30));
    setup.now = [now] { return now; };
    setup.locale = QLocale(QLocale::English);
    setup.messages = [&messages](const QString& text) { messages << text; };
    core::LoopSession session(setup);
    // Port 1, as the window opens it without a device given.
    const core::LoopSession::StartReport report = session.open({});
    QVERIFY(report.settings.folderError.isEmpty() && report.folders.failedFolder.isEmpty());
    QVERIFY(!report.notHartIp);
    QCOMPARE(session.portController().lampColour(), serial::kLampOpen);
    session.recorder().setEnabled(true);

    // One pass over the default loop, each answer wait ended by the test.
    session.start();
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
    session.stop();
    QVERIFY(!session.fieldModel().instrument(1).identity);
    QFile csv(setup.settingsDir + "2026/December/2026-12-07.csv");
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 3 + 1);
    QVERIFY2(cameBeforeRead(lines[1].left(lines[1].indexOf(',')), now), lines[1].constData());
    QVERIFY(lines[1].contains(",1,3C51102031,PT-101,"));
    QVERIFY(loop.stop());
}

void CoreSessionTest::moreStatusReadAgainAtMostEvery10s_data() {
    QTest::addColumn<int>("laterMs");         // the clock's step right after the details were asked
    QTest::addColumn<QList<int>>("commands"); // as they went out, to the first command 0 to 2
    // The answer to 1 comes while 48 waits its turn: not asked twice. Once 48 went out, the
    // next answer saying "more status available" asks it again, if 10 s have passed.
    const QList<int> details{13, 1, 2, 12, 14, 15, 16, 48, 50, 3};
    QTest::newRow("9.999 s") << 9999 << QList<int>{0} + details + QList<int>{0};
    QTest::newRow("10 s") << 10000 << QList<int>{0} + details + QList<int>{48, 0};
}

void CoreSessionTest::moreStatusReadAgainAtMostEvery10s() {
    QFETCH(int, laterMs);
    QFETCH(QList<int>, commands);
    // Every answer says "more status available"; the details other than command 1 go unanswered.
    MoreStatusLoop loop;
    ptest::Rig& rig = loop.rig;
    rig.answers[ptest::hex("FF FF FF FF FF") +
                ptest::withCheck(ptest::hex("82 A6 06 12 34 56 01 00"))] =
        MoreStatusLoop::saying(
            ptest::withCheck(ptest::hex("86 A6 06 12 34 56 01 07 00 00 0C 3F 9E 06 10")));
    QDateTime& now = loop.now;
    core::DetailsReader& details = loop.details;

    rig.cycle.start();
    QVERIFY(rig.fire()); // command 0 answered
    QVERIFY(details.readDetails(1));
    now = now.addMSecs(laterMs);
    while (rig.written.last() != ptest::shortRequest(2))
        QVERIFY(rig.fire());
    QList<int> sent;
    for (const QByteArray& request : rig.written)
        sent << protocol::HartFrame::parse(request).command;
    QCOMPARE(sent, commands);
}

// Followed, an instrument is read after every other step: details asked meanwhile, and a
// re-read of command 48 for "more status available", go between two of its readings, never
// more than one step apart.
void CoreSessionTest::followReadingsAtMostOneStepApart() {
    MoreStatusLoop loop;
    ptest::Rig& rig = loop.rig;
    QDateTime& now = loop.now;
    core::DetailsReader& details = loop.details;
    QStringList steps; // F: a following reading; P: a step of the pass; D: anything else asked
    connect(&rig.cycle, &protocol::PollingCycle::answerDecoded, this,
            [&steps](const protocol::ReadAnswer& answer) {
                using Origin = protocol::ReadAnswer::Origin;
                steps << (answer.origin == Origin::Pass ? "P" : answer.command == 3 ? "F" : "D");
            });

    rig.cycle.start();
    QVERIFY(rig.fire()); // command 0 to 1 answered
    details.follow(1);
    QVERIFY(details.readDetails(1)); // eight detail commands for this HART 5 instrument
    now = now.addSecs(10);           // and "more status available" asks 48 again
    for (int step = 0; step < 40; ++step)
        QVERIFY(rig.fire());
    // From the first answer after following began: never two steps without a reading.
    const QString all = steps.mid(1).join(QString());
    QVERIFY2(!all.contains(QRegularExpression("[PD]{2}")), qPrintable(all));
    QVERIFY2(all.count('D') >= 9, qPrintable(all)); // the details and 48 again, all asked
}

// What is wrong is said, in the language in force.
void CoreSessionTest::addressProblemsSaid_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("english");
    QTest::newRow("short IPv4") << "hartip://10.0.5"
                                << "10.0.5 is not an IPv4 address of four numbers 0 to 255";
    QTest::newRow("bracketless IPv6") << "hartip+udp://fd00::5:5094"
                                      << "an IPv6 address goes in brackets: [fd00::5:5094]";
    QTest::newRow("fragment") << "hartip://10.0.0.5#5095"
                              << "only a host and a port may follow the scheme";
    QTest::newRow("port") << "hartips://[::1]:0"
                          << "the port must be a number from 1 to 65535";
    QTest::newRow("no host") << "hartip://:5094"
                             << "no host is given";
}
void CoreSessionTest::addressProblemsSaid() {
    QFETCH(QString, device);
    QFETCH(QString, english);
    QCOMPARE(core::addressProblemText(device, 0), english);
    QVERIFY(!core::addressProblemText(device, 1).isEmpty());
    QVERIFY(core::addressProblemText(device, 1) != english);
}

QTEST_GUILESS_MAIN(CoreSessionTest)
#include "tst_core_session.moc"
