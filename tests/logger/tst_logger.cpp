// corvantelis-logger as a service runs it: its options, and its whole path over a
// pseudo-terminal against hart-loop-sim, ended by SIGTERM.

#include "app/settings_file.h"
#include "app/side_settings.h"
#include "protocol/hart_frame.h"
#include "simulated_loop.h"
#include "tests/sim/shared_line_config.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runLogger(const QStringList& arguments, const QProcessEnvironment& environment = {}) {
    QProcess logger;
    if (!environment.isEmpty())
        logger.setProcessEnvironment(environment);
    logger.start(QStringLiteral(CORVANTELIS_LOGGER), arguments);
    Run run;
    if (!logger.waitForFinished(10000))
        return run;
    run.exitCode = logger.exitCode();
    run.out = QString::fromUtf8(logger.readAllStandardOutput());
    run.err = QString::fromUtf8(logger.readAllStandardError());
    return run;
}

// A loopback port free a moment ago; 0 when none could be had.
quint16 freeLocalPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// hart-loop-sim on `config`, its wire log beside it, and the logger on its line with `options`
// beside the folders it is given in `dir`.
bool startOnSimulatedLine(const QTemporaryDir& dir, const QString& config,
                          const QStringList& options, QProcess& sim, QProcess& logger) {
    sim.start(QStringLiteral(HART_LOOP_SIM),
              {"--config", config, "--link", dir.filePath("loop"), "--log", dir.filePath("wire")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000))
        return false;
    logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                 QStringList{"--port", dir.filePath("loop"), "--settings-dir",
                             dir.filePath("settings"), "--results-dir", dir.filePath("results")} +
                     options);
    return logger.waitForStarted();
}

} // namespace

class LoggerTest : public QObject {
    Q_OBJECT
private slots:
    void options_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("version") << QStringList{"--version"} << 0 << "corvantelis-logger 1.03\n"
                                 << "";
        QTest::newRow("unknown option")
            << QStringList{"--colour", "red"} << 2 << ""
            << "corvantelis-logger: unknown option '--colour' (try --help)\n";
        QTest::newRow("an empty folder")
            << QStringList{"--settings-dir="} << 2 << ""
            << "corvantelis-logger: --settings-dir needs a value (try --help)\n";
        QTest::newRow("port without a device")
            << QStringList{"--port"} << 2 << ""
            << "corvantelis-logger: --port needs a value (try --help)\n";
    }
    void options() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run run = runLogger(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QCOMPARE(run.err, err);
    }

    void relativePathsMadeAbsolute();

    void helpNamesEveryOption() {
        const Run run = runLogger({"--help"});
        QCOMPARE(run.exitCode, 0);
        for (const char* option :
             {"--port", "--settings-dir", "--results-dir", "--help", "--version"})
            QVERIFY2(run.out.contains(QLatin1String(option)), option);
    }

    void noDeviceAnywhere() {
        QTemporaryDir settings;
        const Run run = runLogger({"--settings-dir", settings.path()});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.startsWith("corvantelis-logger: no device: give --port DEVICE"),
                 qPrintable(run.err));
    }

    void pollsRecordsAndStopsCleanly();
    void sharesTheLine_data();
    void sharesTheLine();
    void listensOnly();

    // The same over the network: hart-loop-sim served over HART-IP, the logger polling it
    // through a session and recording what it read. A pass needs no fixed waits there.
    // With a record interval, one line an instrument from the first pass on.
    void pollsOverHartIp_data() {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<bool>("aLineAMinute");
        QTest::newRow("TCP") << "hartip"
                             << "TCP" << false;
        QTest::newRow("UDP, a line a minute") << "hartip+udp"
                                              << "UDP" << true;
    }
    void pollsOverHartIp() {
        QFETCH(QString, scheme);
        QFETCH(QString, transport);
        QFETCH(bool, aLineAMinute);
        const quint16 port = freeLocalPort();
        QVERIFY(port != 0);
        SimulatedLoop loop;
        QVERIFY(!loop.start({"--log", loop.path("wire.log"), "--hartip", QString::number(port)})
                     .isEmpty());
        QProcess logger;
        logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                     QStringList{"--port",
                                 QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port),
                                 "--settings-dir", loop.path("settings"), "--results-dir",
                                 loop.path("results")} +
                         (aLineAMinute ? QStringList{"--record-interval", "60"} : QStringList{}));
        QVERIFY(logger.waitForStarted());
        QString out;
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromUtf8(logger.readAllStandardOutput()))
                                     .contains("instrument 01 found"),
                                 20000);
        QTest::qWait(2000);
        logger.terminate();
        QVERIFY(logger.waitForFinished(10000));
        QCOMPARE(logger.exitCode(), 0);
        out += QString::fromUtf8(logger.readAllStandardOutput());
        QVERIFY2(
            out.contains(
                QStringLiteral("HART-IP session open: 127.0.0.1:%1, %2").arg(port).arg(transport)),
            qPrintable(out));
        for (const char* tag : {"tag PT-101", "tag TT-202", "tag FT-305"})
            QVERIFY2(out.contains(tag), qPrintable(out));
        // Whole passes, from one command 0 to address 1 to the next, as the simulator heard them:
        // frames without preamble.
        QFile wire(loop.path("wire.log"));
        QVERIFY(wire.open(QIODevice::ReadOnly));
        QList<qint64> passStarts;
        for (const QByteArray& line : wire.readAll().split('\n'))
            if (line.contains(" RX 02 81 00 00 83 ")) // command 0 to address 1, from a primary
                passStarts << line.left(line.indexOf(' ')).toLongLong();
        QVERIFY2(passStarts.size() >= 3, qPrintable(QString::number(passStarts.size())));
        const qint64 pass = passStarts[2] - passStarts[1];
        qInfo("a pass over HART-IP (%s) on loopback: %lld ms", qPrintable(transport),
              static_cast<long long>(pass));
        QVERIFY(pass < 5000); // generous: a loaded machine; the serial line needs 13 s

        const int at = out.indexOf("recording to ");
        QVERIFY(at >= 0);
        QFile recorded(out.mid(at + 13).section('\n', 0, 0));
        QVERIFY2(recorded.open(QIODevice::ReadOnly), qPrintable(recorded.fileName()));
        const int lines = int(recorded.readAll().count('\n')) - 1; // less the header
        if (aLineAMinute)
            QCOMPARE(lines, 3);
        else
            QVERIFY2(lines >= 3 * (passStarts.size() - 1), qPrintable(QString::number(lines)));
    }

    // A gateway with twenty instruments behind it: the logger finds them with commands 74 and
    // 84 and records each one's values under its own long address and its index, the late
    // answerers (delayed responses) and those reached while the pass goes on alike.
    void instrumentsBehindAGateway() {
        const quint16 port = freeLocalPort();
        QVERIFY(port != 0);
        SimulatedLoop loop;
        QVERIFY(!loop.start({"--hartip", QString::number(port), "--gateway", "20"}).isEmpty());
        QProcess logger;
        logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                     {"--port", QStringLiteral("hartip://127.0.0.1:%1").arg(port), "--settings-dir",
                      loop.path("settings"), "--results-dir", loop.path("results")});
        QVERIFY(logger.waitForStarted());
        QString out;
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromUtf8(logger.readAllStandardOutput()))
                                     .contains("I/O system at 00: 20 instruments behind it"),
                                 15000);
        const int at = out.indexOf("recording to ");
        QVERIFY(at >= 0);
        const QString file = out.mid(at + 13).section('\n', 0, 0);
        // Instruments 1 to 19 (the last leaves for 20 s of every minute), each with its own
        // address: 26 3x 0B 00 k.
        const auto recorded = [&file] {
            QFile csv(file);
            QSet<QString> seen;
            if (csv.open(QIODevice::ReadOnly))
                for (const QByteArray& line : csv.readAll().split('\n'))
                    seen << QString::fromLatin1(line.split(',').mid(1, 2).join(','));
            return seen;
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QSet<QString> seen = recorded();
                for (int k = 1; k <= 19; ++k)
                    if (!seen.contains(QStringLiteral("%1,263%2 0B00%3")
                                           .arg(k)
                                           .arg(k % 3)
                                           .arg(k, 2, 16, QLatin1Char('0'))
                                           .toUpper()
                                           .remove(' ')))
                        return false;
                return true;
            }(),
            20000);
        QVERIFY(recorded().contains("0,26E10A0001")); // the gateway's own row goes on
        logger.terminate();
        QVERIFY(logger.waitForFinished(10000));
    }

    // A key in the side file is used, never printed: not when the session cannot open, not when
    // the key kept is unusable (then the logger says so, without it).
    void keyNeverPrinted_data() {
        QTest::addColumn<QString>("hexKey");
        QTest::addColumn<QString>("said");
        QTest::newRow("usable key")
            << "0123456789ABCDEF0123456789ABCDEF"
            << "HART-IP session to 127.0.0.1:%1, TLS after Session Initiate failed: ";
        QTest::newRow("too short") << "0123456789ABCDEF"
                                   << "the pre-shared key kept for 127.0.0.1 is unusable: The key "
                                      "must be at least 16 bytes (32 hex digits).";
    }
    void keyNeverPrinted() {
        QFETCH(QString, hexKey);
        QFETCH(QString, said);
        QTemporaryDir root;
        const QString dir = root.filePath("settings/");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(app::SideSettings(dir).setHartIpKey("127.0.0.1", {"plant-gw", hexKey}));
        const quint16 port = freeLocalPort(); // nobody listens there
        QVERIFY(port != 0);
        QProcess logger;
        logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                     {"--port", QStringLiteral("hartips://127.0.0.1:%1").arg(port),
                      "--settings-dir", dir, "--results-dir", root.filePath("results")});
        QVERIFY(logger.waitForStarted());
        QString out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += QString::fromUtf8(logger.readAllStandardOutput())).contains(said.arg(port)),
            10000);
        logger.terminate();
        QVERIFY(logger.waitForFinished(10000));
        out += QString::fromUtf8(logger.readAllStandardOutput() + logger.readAllStandardError());
        QVERIFY2(!out.contains(hexKey, Qt::CaseInsensitive), qPrintable(out));
    }

    // A line that keeps failing is said once, not at every try of the second-by-second retry.
    void failureSaidOnce_data() {
        QTest::addColumn<bool>("network");
        QTest::addColumn<QString>("said");
        QTest::newRow("port") << false << "port not opened: ";
        QTest::newRow("HART-IP session") << true << "HART-IP session to ";
    }
    void failureSaidOnce() {
        QFETCH(bool, network);
        QFETCH(QString, said);
        QTemporaryDir root;
        const QString device = network
                                   ? QStringLiteral("hartip://127.0.0.1:%1").arg(freeLocalPort())
                                   : root.filePath("no-modem");
        QProcess logger;
        logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                     {"--port", device, "--settings-dir", root.filePath("settings"),
                      "--results-dir", root.filePath("results")});
        QVERIFY(logger.waitForStarted());
        QTest::qWait(3500); // three tries at least
        logger.terminate();
        QVERIFY(logger.waitForFinished(10000));
        const QString out = QString::fromUtf8(logger.readAllStandardOutput());
        QVERIFY2(out.count(said) == 1, qPrintable(out));
    }

    // The log speaks the language of the settings it runs with, as the window would.
    void speaksTheLanguageOfItsSettings() {
        QTemporaryDir root;
        const QString dir = root.filePath("settings/");
        QVERIFY(QDir().mkpath(dir));
        app::SettingsFile settings(dir, &QDateTime::currentDateTime);
        settings.openAtStartup();
        settings.record().Language_Flag = 1;
        QVERIFY(settings.Save_Settings());

        QProcess logger;
        logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                     {"--port", root.filePath("no-modem"), "--settings-dir", dir, "--results-dir",
                      root.filePath("results")});
        QVERIFY(logger.waitForStarted());
        QString out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += QString::fromUtf8(logger.readAllStandardOutput())).contains("no-modem"), 10000);
        logger.terminate();
        QVERIFY(logger.waitForFinished(10000));
        QCOMPARE(logger.exitCode(), 0);
        out += QString::fromUtf8(logger.readAllStandardOutput());
        const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() >= 3, qPrintable(out));
        QVERIFY2(lines[0].startsWith(QString::fromUtf8("corvantelis-logger 1.03: настройки в ")),
                 qPrintable(lines[0]));
        QVERIFY(lines.contains(
            QString::fromUtf8(
                "порт не открыт: Нет такого устройства: %1; новая попытка каждую секунду")
                .arg(root.filePath("no-modem"))));
        QCOMPARE(lines.last(), QString::fromUtf8("остановлен"));
    }
};

// Folders and a device given relative to where the logger starts mean the same on every run:
// they are made absolute before they are used or stored.
void LoggerTest::relativePathsMadeAbsolute() {
    SimulatedLoop loop;
    QVERIFY(!loop.start().isEmpty());
    QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkpath("modem"));
    QVERIFY(QFile::link(loop.path("loop"), work.filePath("modem/loop")));
    QProcess logger;
    logger.setWorkingDirectory(work.path());
    logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                 {"--port", "modem/loop", "--settings-dir", "./settings"});
    QVERIFY(logger.waitForStarted());
    QString out;
    QTRY_VERIFY_WITH_TIMEOUT(
        (out += QString::fromUtf8(logger.readAllStandardOutput())).contains("port opened"), 10000);
    logger.terminate();
    QVERIFY(logger.waitForFinished(10000));
    const QString settings = work.filePath("settings") + '/';
    QVERIFY2(out.startsWith("corvantelis-logger 1.03: settings in " + settings + ", results in " +
                            settings + ", primary master\n"),
             qPrintable(out));
    QVERIFY2(out.contains("port opened: " + work.filePath("modem/loop") + "\n"), qPrintable(out));
    // The settings file keeps the absolute folder for the next run, wherever it starts.
    app::SettingsFile file(settings, [] { return QDateTime::currentDateTime(); });
    file.openAtStartup();
    QCOMPARE(file.record().Results_Dir, settings);
    QVERIFY(loop.stop());
}

// The whole path: the loop is found and recorded, and SIGTERM ends it with every measurement it
// took on the disk, each line the answer it came from.
void LoggerTest::pollsRecordsAndStopsCleanly() {
    SimulatedLoop loop;
    QVERIFY(!loop.start({"--log", loop.path("wire.log")}).isEmpty());
    QProcess logger;
    logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                 {"--port", loop.path("loop"), "--settings-dir", loop.path("settings"),
                  "--results-dir=" + loop.path("results")});
    QVERIFY(logger.waitForStarted());
    QString out;
    // One pass over the default loop is 22 steps of 600 ms.
    QTRY_VERIFY_WITH_TIMEOUT(
        (out += QString::fromUtf8(logger.readAllStandardOutput())).contains("instrument 05 found"),
        40000);
    QTest::qWait(1500);
    logger.terminate(); // SIGTERM
    QVERIFY(logger.waitForFinished(10000));
    QCOMPARE(logger.exitStatus(), QProcess::NormalExit);
    QCOMPARE(logger.exitCode(), 0);
    out += QString::fromUtf8(logger.readAllStandardOutput());
    QVERIFY(loop.stop());

    QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() >= 6, qPrintable(out));
    QVERIFY(lines[0].startsWith("corvantelis-logger 1.03: settings in " + loop.path("settings")));
    QCOMPARE(lines[1], "port opened: " + loop.path("loop"));
    const QString csv = loop.path("results") + "/" + QDate::currentDate().toString("yyyy") + "/";
    QVERIFY(lines[2].startsWith("recording to " + csv));
    QVERIFY(out.contains("instrument 01 found: 3C51102031, tag PT-101, device status: no bit set"));
    QVERIFY(out.contains("instrument 02 found: 243E0B5C7E, tag TT-202"));
    QCOMPARE(lines.last(), "stopped");

    // Every command-3 answer the simulator sent is a line, in order, with its values; at most
    // the last, if the stop came while it was on its way, is not.
    QFile wire(loop.path("wire.log"));
    QVERIFY(wire.open(QIODevice::ReadOnly));
    QList<protocol::HartFrame> answers;
    for (const QByteArray& line : wire.readAll().split('\n')) {
        const int tx = line.indexOf(" TX ");
        if (tx < 0)
            continue;
        const protocol::HartFrame frame =
            protocol::HartFrame::parse(QByteArray::fromHex(line.mid(tx + 4)));
        if (frame.command == 3)
            answers << frame;
    }
    QFile recorded(lines[2].mid(QStringLiteral("recording to ").size()));
    QVERIFY2(recorded.open(QIODevice::ReadOnly), qPrintable(recorded.fileName()));
    QList<QByteArray> rows = recorded.readAll().split('\n');
    rows.removeAll(QByteArray());
    rows.removeFirst(); // the header
    QVERIFY2(rows.size() == answers.size() || rows.size() == answers.size() - 1,
             qPrintable(QString("%1 lines, %2 answers").arg(rows.size()).arg(answers.size())));
    QVERIFY(rows.size() >= 3);
    for (int k = 0; k < rows.size(); ++k) {
        const QList<QByteArray> fields = rows[k].trimmed().split(',');
        QCOMPARE(fields.size(), 15);
        const protocol::HartFrame& answer = answers[k];
        QCOMPARE(fields[2], answer.uniqueAddress().toHex().toUpper());
        QCOMPARE(fields[4].toFloat(), protocol::floatAt(answer.data, 0));
        QCOMPARE(fields[5].toFloat(), protocol::floatAt(answer.data, 5));
    }
}

// On a line a control system polls as primary master, with an instrument in burst mode: the
// logger as secondary master waits its turn (no collision on the simulator's count), finds
// both instruments, says once that a primary is there, and records the burst frames as they
// come, many more than its pass reads. As primary too, it says the two primaries will collide.
void LoggerTest::sharesTheLine_data() {
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("said");
    QTest::newRow("secondary") << "secondary"
                               << "another master on the line: primary\n";
    QTest::newRow("primary as well")
        << "primary"
        << "another primary master on the line, as this program is: their requests will "
           "collide. Make this program the secondary master (Setting → Master: secondary, or "
           "--master secondary).\n";
}

void LoggerTest::sharesTheLine() {
    QFETCH(QString, role);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString config = dir.filePath("shared.json");
    QVERIFY(writeSharedLineConfig(config, 1000, 3, 500));
    QProcess sim, logger;
    QVERIFY(startOnSimulatedLine(dir, config, {"--master", role}, sim, logger));
    QString out;
    QTRY_VERIFY_WITH_TIMEOUT(
        (out += QString::fromUtf8(logger.readAllStandardOutput())).contains(said), 15000);
    if (role == "secondary") {
        QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromUtf8(logger.readAllStandardOutput()))
                                     .contains("instrument 02 found"),
                                 20000);
        QTest::qWait(4000);
    }
    logger.terminate();
    QVERIFY(logger.waitForFinished(10000));
    out += QString::fromUtf8(logger.readAllStandardOutput());
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(out.count(said), 1); // once
    QVERIFY2(out.startsWith("corvantelis-logger 1.03:") &&
                 out.section('\n', 0, 0).endsWith(role + " master"),
             qPrintable(out));
    if (role != "secondary")
        return;
    const QByteArray simSaid = sim.readAllStandardOutput();
    QVERIFY2(simSaid.contains("hart-loop-sim: 0 collisions"), simSaid.constData());
    const int at = out.indexOf("recording to ");
    QVERIFY(at >= 0);
    QFile recorded(out.mid(at + 13).section('\n', 0, 0));
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    int bursts = 0;
    for (const QByteArray& line : recorded.readAll().split('\n'))
        if (line.contains(",2,243E0B5C7E,TT-202"))
            ++bursts;
    // Four seconds of bursts every half second; the pass reads it once in some twelve.
    QVERIFY2(bursts >= 5, qPrintable(QString::number(bursts)));
}

// Listening only on a line a control system polls: not a byte goes to the line (the
// simulator's log has no request of ours), yet both instruments are found from the control
// system's traffic and recorded, TT-202's burst frames of its PV alone as they came; the frames
// heard are counted when it stops.
void LoggerTest::listensOnly() {
    QTemporaryDir dir;
    const QString config = dir.filePath("listening.json");
    QVERIFY(writeListeningLineConfig(config));
    QProcess sim, logger;
    QVERIFY(startOnSimulatedLine(dir, config, {"--listen"}, sim, logger));
    QString out;
    QTRY_VERIFY_WITH_TIMEOUT((out += QString::fromUtf8(logger.readAllStandardOutput()))
                                     .contains("instrument 01 found") &&
                                 out.contains("instrument 02 found"),
                             20000);
    // Bursts go out only when the control system leaves the line quiet for a moment: until one
    // is recorded, and a few more frames besides.
    const int at = out.indexOf("recording to ");
    QVERIFY(at >= 0);
    QFile recorded(out.mid(at + 13).section('\n', 0, 0));
    const QByteArray burstLine = ",2,243E0B5C7E,TT-202,,85,\xC2\xB0"
                                 "C,,,,,,,00,00";
    QByteArray seen;
    const auto burstRecorded = [&] {
        if (!recorded.open(QIODevice::ReadOnly))
            return false;
        seen = recorded.readAll();
        recorded.close();
        return seen.contains(burstLine);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(burstRecorded(), seen.constData(), 20000);
    QTest::qWait(2000);
    logger.terminate();
    QVERIFY(logger.waitForFinished(10000));
    out += QString::fromUtf8(logger.readAllStandardOutput());
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QVERIFY2(out.section('\n', 0, 0).endsWith("listening only, sending nothing"), qPrintable(out));
    QVERIFY2(out.contains(QRegularExpression("\n[1-9][0-9]* frames heard, ")), qPrintable(out));
    QFile wire(dir.filePath("wire"));
    QVERIFY(wire.open(QIODevice::ReadOnly));
    const QByteArray log = wire.readAll();
    QVERIFY(log.contains(" TX "));
    QVERIFY2(!log.contains(" RX "), log.constData());
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    const QByteArray csv = recorded.readAll();
    QVERIFY2(csv.contains(",1,3C51102031,PT-101,4,250,kPa,"), csv.constData());
    // Each frame heard is one line, none twice: no frame takes less than some ten characters on
    // the line, so two lines of one instrument less than 90 ms apart are one frame recorded twice.
    QMap<QByteArray, QDateTime> lastOf;
    for (const QByteArray& line : csv.split('\n').mid(1)) {
        const QByteArrayList fields = line.split(',');
        if (fields.size() < 2)
            continue;
        const QDateTime when =
            QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODateWithMs);
        if (lastOf.contains(fields[1]))
            QVERIFY2(lastOf[fields[1]].msecsTo(when) >= 90, line.constData());
        lastOf[fields[1]] = when;
    }
}

QTEST_GUILESS_MAIN(LoggerTest)
#include "tst_logger.moc"
