#include "protocol/hart_frame.h"
#include "protocol/hartip_message.h"
#include "protocol/line_framer.h"
#include "shared_line_config.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The log without the milliseconds that begin each line.
QString logOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll())
                     .remove(QRegularExpression("^\\d+ ", QRegularExpression::MultilineOption))
               : QString();
}

const QByteArray kAsk1 = "FF FF FF FF 02 01 00 00 03";
const QByteArray kAnswer1 =
    "FF FF FF FF FF 06 01 00 0E 00 00 FE 3C 51 05 05 03 0C 02 00 10 20 31 96";
const QByteArray kBadAsk1 = "FF FF FF FF 02 01 00 00 04";

} // namespace

namespace {
QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}
} // namespace

class SimProcessTest : public QObject {
    Q_OBJECT

private slots:
    void servesThePseudoTerminalAndEndsOnSigterm() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("loop"));
        const QString log = dir.filePath(QStringLiteral("loop.log"));
        // A link left behind by an earlier run that was killed.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), link));
        QProcess sim;
        sim.start(QStringLiteral(HART_LOOP_SIM), {"--fast", "--link", link, "--log", log});
        // The banner comes once the link is in place.
        QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));

        // No line settings here: the simulator leaves its side raw for any master.
        const int fd = open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        // Address 1, then again with a wrong check byte: silence, logged as such.
        QString expected = "RX " + kAsk1 + " check ok\nTX " + kAnswer1 + "\n";
        QCOMPARE(write(fd, QByteArray::fromHex(kAsk1).constData(), 9), 9);
        QTRY_COMPARE_WITH_TIMEOUT(logOf(log), expected, 3000);
        QCOMPARE(write(fd, QByteArray::fromHex(kBadAsk1).constData(), 9), 9);
        expected += "RX " + kBadAsk1 + " check bad\n";
        QTRY_COMPARE_WITH_TIMEOUT(logOf(log), expected, 3000);
        char received[64];
        const ssize_t n = read(fd, received, sizeof received);
        QCOMPARE(QByteArray(received, int(qMax<ssize_t>(n, 0))).toHex(' ').toUpper(), kAnswer1);
        close(fd);
        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY(sim.exitStatus() == QProcess::NormalExit && sim.exitCode() == 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    // The loop over HART-IP, TCP and UDP alike: a session, HART frames without preamble both
    // ways, a communication error for an address nobody holds, keep-alive (inside the session
    // only) and close.
    void servesHartIp_data() {
        QTest::addColumn<bool>("udp");
        QTest::newRow("TCP") << false;
        QTest::newRow("UDP") << true;
    }
    void servesHartIp() {
        QFETCH(bool, udp);
        namespace ip = protocol::hartip;
        QTcpServer probe; // a free port for the simulator
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        QTemporaryDir dir;
        QProcess sim;
        sim.start(QStringLiteral(HART_LOOP_SIM),
                  {"--fast", "--link", dir.filePath("loop"), "--hartip", QString::number(port)});
        QVERIFY(sim.waitForStarted(5000));
        QByteArray banner;
        QTRY_VERIFY2_WITH_TIMEOUT((banner += sim.readAllStandardOutput()).contains("HART-IP"),
                                  qPrintable(banner + sim.readAllStandardError()), 5000);

        QTcpSocket tcp;
        QUdpSocket datagrams;
        QByteArray stream;
        const auto ask = [&](ip::MessageId id, quint16 sequence, const QByteArray& body) {
            ip::Message request;
            request.id = id;
            request.sequence = sequence;
            request.body = body;
            if (udp)
                datagrams.writeDatagram(request.encode(), QHostAddress::LocalHost, port);
            else
                tcp.write(request.encode());
            ip::Message answer;
            for (int tries = 0; tries < 50; ++tries) {
                if (udp && datagrams.waitForReadyRead(100)) {
                    QByteArray datagram(int(datagrams.pendingDatagramSize()), '\0');
                    datagrams.readDatagram(datagram.data(), datagram.size());
                    stream += datagram;
                } else if (!udp && tcp.waitForReadyRead(100)) {
                    stream += tcp.readAll();
                }
                if (ip::Message::take(stream, &answer) == ip::Message::Taken::Message)
                    return std::optional(answer);
            }
            return std::optional<ip::Message>();
        };
        if (!udp) {
            tcp.connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(tcp.waitForConnected(3000));
        }
        const auto opened = ask(ip::MessageId::SessionInitiate, 1, hex("01 00 00 EA 60"));
        QVERIFY(opened && opened->type == ip::MessageType::Response && opened->status == 0);
        QCOMPARE(opened->sequence, quint16(1));
        QCOMPARE(opened->body, hex("01 00 00 EA 60"));

        // Command 0 to polling address 1 from the primary master: the pressure transmitter.
        const auto identity = ask(ip::MessageId::TokenPassingPdu, 2, hex("02 81 00 00 83"));
        QVERIFY(identity && identity->sequence == 2);
        const protocol::HartFrame frame = protocol::HartFrame::parse(identity->body);
        QVERIFY(frame.preambleLength == 0 && frame.complete && frame.checkMatches);
        QCOMPARE(frame.delimiter, 0x06);
        QCOMPARE(frame.responseCode, 0);
        QCOMPARE(frame.data.mid(1, 2), hex("3C 51")); // manufacturer, device type
        // Address 3 holds nobody: a communication error rather than silence.
        const auto nobody = ask(ip::MessageId::TokenPassingPdu, 3, hex("02 83 00 00 81"));
        QVERIFY(nobody && (protocol::HartFrame::parse(nobody->body).responseCode & 0x80));

        const auto alive = ask(ip::MessageId::KeepAlive, 4, {});
        QVERIFY(alive && alive->sequence == 4 && alive->body.isEmpty());
        const auto closed = ask(ip::MessageId::SessionClose, 5, {});
        QVERIFY(closed && closed->sequence == 5);
        if (!udp) {
            QTRY_COMPARE_WITH_TIMEOUT(tcp.state(), QAbstractSocket::UnconnectedState, 3000);
        } else {
            // Outside a session Keep Alive is not answered: a client whose session the server
            // lost must not take it for alive.
            QVERIFY(!ask(ip::MessageId::KeepAlive, 6, {}));
        }

        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
    }

    // Out of file descriptors, connections it cannot accept wait in the queue: the simulator
    // waits a while before trying again instead of polling at full speed.
    void outOfDescriptorsDoesNotSpin() {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        QTemporaryDir dir;
        QProcess sim;
        sim.setChildProcessModifier([] {
            const rlimit few{16, 16};
            ::setrlimit(RLIMIT_NOFILE, &few);
        });
        sim.start(QStringLiteral(HART_LOOP_SIM),
                  {"--fast", "--link", dir.filePath("loop"), "--hartip", QString::number(port)});
        QVERIFY(sim.waitForStarted(5000));
        QByteArray banner;
        QTRY_VERIFY_WITH_TIMEOUT((banner += sim.readAllStandardOutput()).contains("HART-IP"), 5000);
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int k = 0; k < 24; ++k) {
            clients.push_back(std::make_unique<QTcpSocket>());
            clients.back()->connectToHost(QHostAddress::LocalHost, port);
            clients.back()->waitForConnected(200);
        }
        // Processor time in clock ticks (user and system), from the process's stat line.
        const auto ticks = [&sim] {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(sim.processId()));
            if (!stat.open(QIODevice::ReadOnly))
                return -1LL;
            const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
            return fields.value(12).toLongLong() + fields.value(13).toLongLong();
        };
        const long long before = ticks();
        QTest::qWait(1000);
        const long long spent = ticks() - before;
        QVERIFY2(before >= 0 && spent < sysconf(_SC_CLK_TCK) / 4,
                 qPrintable(QString::number(spent)));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }

    void configErrorExitsWithStatusTwo() {
        QProcess sim;
        sim.start(QStringLiteral(HART_LOOP_SIM), {"--config", "/dev/stdin"});
        sim.write(R"({"instruments": [{"address": 16, "hartRevision": 5, "manufacturer": 1,
                  "deviceType": 1, "deviceId": "000001"}]})");
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QCOMPARE(sim.readAllStandardError(),
                 QByteArray("hart-loop-sim: instruments[0].address: must be 0 to 15\n"));
    }

    // A shared line, listened to as its secondary master would: the primary polls address 1
    // every 0.6 s and gets its answers, the instrument at 2 bursts every 0.4 s naming each
    // master in turn, and nobody talks into anyone's frame. A request sent into a burst is a
    // collision, counted on exit.
    void sharesTheLine() {
        QTemporaryDir dir;
        const QString config = dir.filePath("shared.json");
        QVERIFY(writeSharedLineConfig(config, 600, 1, 400));
        const QString link = dir.filePath("loop");
        QProcess sim;
        sim.start(QStringLiteral(HART_LOOP_SIM), {"--config", config, "--link", link});
        QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
        const int fd = open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);

        QList<protocol::HeardFrame> heard;
        protocol::LineFramer framer(
            protocol::MasterRole::Secondary,
            [&heard](const protocol::HeardFrame& f) { heard << f; },
            3 * protocol::kCharacterMs); // a pty delivers in bursts
        QElapsedTimer clock;
        clock.start();
        const auto listen = [&](qint64 untilMs, bool cutIn) {
            bool cut = false;
            while (clock.elapsed() < untilMs) {
                char buffer[256];
                const ssize_t n = read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    framer.feed(QByteArray(buffer, int(n)), double(clock.elapsed()));
                    // The start of a burst frame: our request goes into it.
                    if (cutIn && !cut && framer.busy()) {
                        const QByteArray ask = hex("FF FF FF FF FF 82 24 3E 0B 5C 7E 01 00 B0");
                        QCOMPARE(write(fd, ask.constData(), ask.size()), ask.size());
                        cut = true;
                    }
                }
                QTest::qWait(2);
                framer.quietUntil(double(clock.elapsed()));
            }
        };
        listen(4000, false);
        QMap<protocol::HeardFrame::Kind, int> kinds;
        int namingPrimary = 0;
        for (const protocol::HeardFrame& frame : heard) {
            ++kinds[frame.kind];
            if (frame.kind == protocol::HeardFrame::Kind::Burst && frame.namesPrimary())
                ++namingPrimary;
        }
        using Kind = protocol::HeardFrame::Kind;
        QVERIFY2(kinds[Kind::OtherRequest] >= 4,
                 qPrintable(QString::number(kinds[Kind::OtherRequest])));
        // Every request answered, but perhaps the last, still on its way when listening ended.
        QVERIFY(kinds[Kind::AnswerToOther] >= kinds[Kind::OtherRequest] - 1);
        QVERIFY(kinds[Kind::Burst] >= 4);
        QVERIFY(namingPrimary >= 1 && namingPrimary < kinds[Kind::Burst]); // both named in turn
        QCOMPARE(kinds[Kind::Broken] + kinds[Kind::Garbage], 0);

        listen(5500, true);
        close(fd);
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY2(sim.readAllStandardOutput().contains("hart-loop-sim: 1 collisions"),
                 "one request sent into a frame");
    }

    // A loop of its own is named, or a file given, not both.
    void loopChoiceRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("no such loop")
            << QStringList{"--loop", "ring"}
            << QByteArray("--loop: not a loop: ring (multidrop or point-to-point)");
        QTest::newRow("both") << QStringList{"--loop", "multidrop", "--config", "/dev/null"}
                              << QByteArray("--loop and --config: give one or the other");
    }
    void loopChoiceRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, said);
        QProcess sim;
        sim.start(QStringLiteral(HART_LOOP_SIM), arguments);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY2(sim.readAllStandardError().startsWith("hart-loop-sim: " + said), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(SimProcessTest)
#include "tst_sim_process.moc"
