// The HART-IP session over loopback against hart-loop-sim --hartip: a frame asked and answered
// over TCP and over UDP, and a session that comes back by itself when the server does.

#include "net/hartip_session.h"
#include "protocol/hart_frame.h"
#include "psk_test_server.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

bool startSim(QProcess& sim, const QTemporaryDir& dir, quint16 port,
              const QString& faults = QString()) {
    QStringList arguments{"--fast", "--link", dir.filePath("loop"), "--hartip",
                          QString::number(port)};
    if (!faults.isEmpty())
        arguments << "--hartip-faults" << faults;
    sim.start(QStringLiteral(HART_LOOP_SIM), arguments);
    if (!sim.waitForStarted(5000))
        return false;
    QByteArray banner;
    for (int k = 0; k < 50 && !banner.contains("HART-IP"); ++k) {
        sim.waitForReadyRead(100);
        banner += sim.readAllStandardOutput();
    }
    return banner.contains("HART-IP");
}

// A simulator served over HART-IP on a free port of its own, ended with the test.
struct Served {
    QTemporaryDir dir;
    QProcess sim;
    quint16 port = freePort();
    bool start(const QString& faults = QString()) { return startSim(sim, dir, port, faults); }
    ~Served() {
        sim.terminate();
        sim.waitForFinished(5000);
    }
};

} // namespace

class TestNetLoopback : public QObject {
    Q_OBJECT
private slots:
    void parsesDevices_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("parsed"); // host:port:udp:secure, empty: not HART-IP
        QTest::newRow("TCP, default port") << "hartip://10.0.0.5"
                                           << "10.0.0.5:5094:0:0";
        QTest::newRow("UDP with port") << "hartip+udp://gw.plant:20004"
                                       << "gw.plant:20004:1:0";
        QTest::newRow("secure") << "hartips://10.0.0.5"
                                << "10.0.0.5:5094:0:1";
        QTest::newRow("IPv6") << "hartip://[fd00::5]:5095"
                              << "fd00::5:5095:0:0";
        QTest::newRow("serial device") << "/dev/ttyUSB0"
                                       << "";
        QTest::newRow("no host") << "hartip://:5094"
                                 << "";
        QTest::newRow("a path") << "hartip://10.0.0.5/x"
                                << "";
        QTest::newRow("port out of range") << "hartip://10.0.0.5:70000"
                                           << "";
        QTest::newRow("a host name") << "hartip://plc-7.plant.example:5095"
                                     << "plc-7.plant.example:5095:0:0";
        // Nothing read more loosely than written: each of these would reach another host or
        // port than the one the user sees.
        QTest::newRow("three numbers") << "hartip://10.0.5"
                                       << "";
        QTest::newRow("one number") << "hartip://167772165"
                                    << "";
        QTest::newRow("octet over 255") << "hartip://10.0.0.256"
                                        << "";
        QTest::newRow("a fragment") << "hartip://10.0.0.5#5095"
                                    << "";
        QTest::newRow("a user") << "hartip://admin@10.0.0.5"
                                << "";
        QTest::newRow("not IPv6 in brackets") << "hartips://[v1.x]"
                                              << "";
        QTest::newRow("IPv6 without brackets") << "hartip://fd00::5"
                                               << "";
        QTest::newRow("an empty port") << "hartip://10.0.0.5:"
                                       << "";
        QTest::newRow("a signed port") << "hartip://10.0.0.5:+5094"
                                       << "";
        QTest::newRow("underscore in a name") << "hartip://plc_7"
                                              << "";
    }
    void parsesDevices() {
        QFETCH(QString, device);
        QFETCH(QString, parsed);
        const auto address = net::parseHartIpDevice(device);
        QCOMPARE(address ? QStringLiteral("%1:%2:%3:%4")
                               .arg(address->host)
                               .arg(address->port)
                               .arg(int(address->udp))
                               .arg(int(address->secure))
                         : QString(),
                 parsed);
        // The string the window remembers names the same place.
        if (address) {
            const auto again = net::parseHartIpDevice(net::hartIpDevice(*address));
            QVERIFY(again && again->host == address->host && again->port == address->port &&
                    again->udp == address->udp && again->secure == address->secure);
        }
    }

    // A key is kept and looked up under one form of its host, however it was written.
    void keyHostIsOneForm() {
        QCOMPARE(net::keyHost("GW.Plant"), "gw.plant");
        QCOMPARE(net::keyHost(" [FD00:0::5] "), "fd00::5");
        QCOMPARE(net::keyHost("fd00:0:0:0:0:0:0:5"), "fd00::5");
        QCOMPARE(net::keyHost("10.0.0.1"), "10.0.0.1");
        QCOMPARE(net::keyHost(net::parseHartIpDevice("hartips://[FD00:0::5]:5094")->host),
                 net::keyHost("fd00::5"));
    }

    void asksOverTheNetwork_data() {
        QTest::addColumn<bool>("udp");
        QTest::newRow("TCP") << false;
        QTest::newRow("UDP") << true;
    }
    void asksOverTheNetwork() {
        QFETCH(bool, udp);
        Served served;
        QVERIFY(served.start());
        net::HartIpSession session({QStringLiteral("127.0.0.1"), served.port, udp}, {});
        session.open();
        QTRY_COMPARE_WITH_TIMEOUT(session.state(), net::HartIpSessionMachine::State::Open, 3000);
        QSignalSpy answered(&session, &net::HartIpSession::answered);
        QVERIFY(session.ask(QByteArray::fromHex("0281000083"))); // command 0 to address 1
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, 3000);
        const protocol::HartFrame frame =
            protocol::HartFrame::parse(answered.at(0).at(0).toByteArray());
        QVERIFY(frame.complete && frame.checkMatches && frame.command == 0);
        QCOMPARE(frame.data.mid(1, 2), QByteArray::fromHex("3C51"));
        session.close();
    }

    // A server that misbehaves: what it sends wrong is ignored and counted, a request it does
    // not answer in time is over, and a session it breaks comes back by itself.
    void serverFaults_data() {
        QTest::addColumn<QString>("faults");
        QTest::addColumn<bool>("sessionBreaks");
        QTest::newRow("wrong sequence number") << "wrong-sequence=1" << false;
        QTest::newRow("late answer") << "late=600" << false;
        QTest::newRow("malformed header") << "malformed=1" << true;
        QTest::newRow("session dropped") << "drop=1" << true;
    }
    void serverFaults() {
        QFETCH(QString, faults);
        QFETCH(bool, sessionBreaks);
        Served served;
        QVERIFY(served.start(faults));
        net::HartIpSessionMachine::Settings settings;
        settings.answerTimeoutMs = 300;
        net::HartIpSession session({QStringLiteral("127.0.0.1"), served.port, false}, settings);
        session.open();
        QTRY_COMPARE_WITH_TIMEOUT(session.state(), net::HartIpSessionMachine::State::Open, 3000);
        QSignalSpy answered(&session, &net::HartIpSession::answered);
        QSignalSpy timedOut(&session, &net::HartIpSession::timedOut);
        QVERIFY(session.ask(QByteArray::fromHex("0281000083")));
        QTRY_COMPARE_WITH_TIMEOUT(timedOut.size(), 1, 3000);
        QCOMPARE(answered.size(), 0); // nothing wrong was taken for the answer
        if (sessionBreaks) {
            QTRY_VERIFY_WITH_TIMEOUT(session.state() != net::HartIpSessionMachine::State::Open,
                                     3000);
            QTRY_COMPARE_WITH_TIMEOUT(session.state(), net::HartIpSessionMachine::State::Open,
                                      5000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(session.ignored() >= 1, 3000); // the late one, too
            QCOMPARE(session.state(), net::HartIpSessionMachine::State::Open);
        }
        session.close();
    }

    // Command 533 (inside command 31) subscribes to an instrument's published data: its
    // command-3 answers arrive unasked as burst frames until the flags are cleared again.
    void subscription() {
        Served served;
        QVERIFY(served.start());
        net::HartIpSession session({QStringLiteral("127.0.0.1"), served.port, false}, {});
        session.open();
        QTRY_COMPARE_WITH_TIMEOUT(session.state(), net::HartIpSessionMachine::State::Open, 3000);
        const auto subscribe = [&](quint16 flags) {
            protocol::HartFrame request;
            request.delimiter = protocol::kLongDelimiter;
            request.address = QByteArray::fromHex("BC51102031"); // PT-101, primary master
            request.command = 31;
            request.data = QByteArray::fromHex("0215") + QByteArray::fromHex("3C51102031");
            request.data += char(flags >> 8);
            request.data += char(flags);
            return session.ask(request.encode());
        };
        QSignalSpy answered(&session, &net::HartIpSession::answered);
        QSignalSpy published(&session, &net::HartIpSession::published);
        QVERIFY(subscribe(0x000F));
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(published.size() >= 2, 4000);
        const protocol::HartFrame burst =
            protocol::HartFrame::parse(published.at(0).at(0).toByteArray());
        QVERIFY(burst.complete && burst.checkMatches);
        QCOMPARE(burst.type(), protocol::FrameType::Burst);
        QCOMPARE(burst.command, 3);
        QCOMPARE(burst.uniqueAddress(), QByteArray::fromHex("3C51102031"));
        QCOMPARE(session.ignored(), 0);
        QVERIFY(subscribe(0));
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 2, 3000);
        published.clear();
        QTest::qWait(1500);
        QCOMPARE(published.size(), 0);
        session.close();
    }

    // Version 2 inside TLS with a pre-shared key, against a server made here: asked for with
    // hartips://, or reached by itself when a server refuses version 1 in the clear. A wrong
    // key or none never opens a session.
    // Secure sessions against servers that begin with TLS and against servers that take
    // Session Initiate in the clear first: the order that fails is followed by the other.
    void secureSession_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("inTheClear");
        QTest::addColumn<bool>("initiateFirst"); // the server's order
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("clearMessages"); // the server took before it opened
        const QByteArray right = QByteArray::fromHex("00112233445566778899AABBCCDDEEFF");
        const QByteArray wrong = QByteArray::fromHex("FFEEDDCCBBAA99887766554433221100");
        const int refusal = int(PskTestServer::InTheClear::RefuseInVersionTwo);
        const int alert = int(PskTestServer::InTheClear::TlsAlert);
        QTest::newRow("hartips, Initiate first")
            << "hartips" << right << refusal << true << true << 1;
        QTest::newRow("hartips, TLS first") << "hartips" << right << refusal << false << true << 1;
        QTest::newRow("hartips, wrong key") << "hartips" << wrong << refusal << true << false << 1;
        QTest::newRow("hartips, no key")
            << "hartips" << QByteArray() << refusal << true << false << 0;
        QTest::newRow("version 1 refused in a version-2 header")
            << "hartip" << right << refusal << true << true << 2;
        QTest::newRow("version 1 answered with a TLS alert")
            << "hartip" << right << alert << false << true << 1;
        QTest::newRow("version 1 closed without a word")
            << "hartip" << right << int(PskTestServer::InTheClear::Close) << false << true << 1;
        QTest::newRow("version 1 refused, no key")
            << "hartip" << QByteArray() << refusal << false << false << 1;
    }
    void secureSession() {
        if (!net::pskTlsAvailable())
            QSKIP("this Qt's TLS has no pre-shared keys");
        QFETCH(QString, scheme);
        QFETCH(QByteArray, key);
        QFETCH(int, inTheClear);
        QFETCH(bool, initiateFirst);
        QFETCH(bool, opens);
        QFETCH(int, clearMessages);
        const QByteArray answer = QByteArray::fromHex("068000020000"
                                                      "84"); // any sound frame
        PskTestServer server("corvantelis", QByteArray::fromHex("00112233445566778899AABBCCDDEEFF"),
                             answer);
        server.inTheClear = PskTestServer::InTheClear(inTheClear);
        server.initiateInTheClear = initiateFirst;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const auto address = net::parseHartIpDevice(
            QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(server.serverPort()));
        QVERIFY(address);
        net::HartIpSession session(*address, {},
                                   key.isEmpty() ? net::PreSharedKey{}
                                                 : net::PreSharedKey{"corvantelis", key});
        session.open();
        using State = net::HartIpSessionMachine::State;
        using Order = net::HartIpSessionMachine::SecureOrder;
        if (!opens) {
            QTest::qWait(1500);
            QVERIFY(session.state() != State::Open);
            if (key.isEmpty() && scheme == "hartips") {
                QCOMPARE(session.secureObstacle(), net::HartIpSession::SecureObstacle::NoKey);
            } else if (key.isEmpty()) {
                QCOMPARE(session.failure(), net::HartIpSessionMachine::Failure::VersionRefused);
                QVERIFY(!session.address().secure);
            } else {
                // A wrong key is not taken for the wrong order: the order stays.
                QVERIFY(session.handshakeFailed());
                QCOMPARE(session.failure(), net::HartIpSessionMachine::Failure::TlsRefused);
                QCOMPARE(session.secureOrder(), Order::InitiateFirst);
                QCOMPARE(server.handshakes, 0);
            }
            QVERIFY(server.sessionsInTheClear >= clearMessages);
            QVERIFY(server.versionsSeen.isEmpty());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(session.state(), State::Open, 5000);
        QVERIFY(session.address().secure);
        QCOMPARE(session.secureOrder(), initiateFirst ? Order::InitiateFirst : Order::TlsFirst);
        QSignalSpy answered(&session, &net::HartIpSession::answered);
        QVERIFY(session.ask(QByteArray::fromHex("0280000082")));
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, 3000);
        QCOMPARE(answered.at(0).at(0).toByteArray(), answer);
        // Inside TLS: the request, and Session Initiate where it did not go in the clear.
        QCOMPARE(server.versionsSeen, initiateFirst ? QList<int>({2}) : QList<int>({2, 2}));
        QCOMPARE(server.sessionsInTheClear, clearMessages);
        session.close();
    }

    // The server goes away and comes back: the session opens again by itself. Over TCP the
    // connection says it went; over UDP a request that nobody answers, and then a Keep Alive
    // nobody answers, do.
    void comesBackWithTheServer_data() {
        QTest::addColumn<bool>("udp");
        QTest::newRow("TCP") << false;
        QTest::newRow("UDP") << true;
    }
    void comesBackWithTheServer() {
        QFETCH(bool, udp);
        QTemporaryDir dir;
        const quint16 port = freePort();
        QProcess sim;
        QVERIFY(startSim(sim, dir, port));
        net::HartIpSessionMachine::Settings settings;
        settings.answerTimeoutMs = 500;
        net::HartIpSession session({QStringLiteral("127.0.0.1"), port, udp}, settings);
        session.open();
        QTRY_COMPARE_WITH_TIMEOUT(session.state(), net::HartIpSessionMachine::State::Open, 3000);
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        session.ask(QByteArray::fromHex("0281000083"));
        QTRY_VERIFY_WITH_TIMEOUT(session.state() != net::HartIpSessionMachine::State::Open, 3000);
        QCOMPARE(session.failure(), udp ? net::HartIpSessionMachine::Failure::NoAnswer
                                        : net::HartIpSessionMachine::Failure::ConnectionLost);
        QProcess again;
        QVERIFY(startSim(again, dir, port));
        QElapsedTimer back;
        back.start();
        QTRY_COMPARE_WITH_TIMEOUT(session.state(), net::HartIpSessionMachine::State::Open, 5000);
        qInfo("back %lld ms after the server", static_cast<long long>(back.elapsed()));
        QSignalSpy answered(&session, &net::HartIpSession::answered);
        QVERIFY(session.ask(QByteArray::fromHex("0281000083")));
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, 3000);
        session.close();
        again.terminate();
        QVERIFY(again.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestNetLoopback)
#include "tst_net_loopback.moc"
