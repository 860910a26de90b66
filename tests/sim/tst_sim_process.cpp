#include "hart_reader.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Writes `frame` to `fd`, then reads until a whole answer has arrived or `ms` have passed.
QByteArray ask(int fd, const QByteArray& frame, int ms) {
    if (write(fd, frame.constData(), size_t(frame.size())) != frame.size())
        return "write failed";
    QByteArray received;
    char buffer[256];
    for (QDeadlineTimer deadline(ms); !simtest::readAnswer(received).complete;) {
        pollfd p{fd, POLLIN, 0};
        const ssize_t n =
            poll(&p, 1, int(deadline.remainingTime())) > 0 ? read(fd, buffer, sizeof buffer) : 0;
        if (n <= 0)
            break;
        received.append(buffer, int(n));
    }
    return received.toHex(' ').toUpper();
}

const QByteArray kAsk1 = "FF FF FF FF 02 01 00 00 03";
const QByteArray kAnswer1 =
    "FF FF FF FF FF 06 01 00 0E 00 00 FE 3C 51 05 05 03 0C 02 00 10 20 31 96";
const QByteArray kAsk3 = "FF FF FF FF 02 03 00 00 01";

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
        QVERIFY(sim.waitForStarted(5000) && sim.waitForReadyRead(5000));
        const QString firstLine = QString::fromLocal8Bit(sim.readLine()).trimmed();
        const QRegularExpressionMatch match =
            QRegularExpression("^hart-loop-sim: serving 3 instruments on (/dev/pts/\\d+)$")
                .match(firstLine);
        QVERIFY2(match.hasMatch(), qPrintable(firstLine));
        QCOMPARE(QFileInfo(link).symLinkTarget(), match.captured(1));

        // No line settings here: the simulator leaves its side raw for any master.
        const int fd = open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        QCOMPARE(ask(fd, QByteArray::fromHex(kAsk1), 3000), kAnswer1);
        QCOMPARE(ask(fd, QByteArray::fromHex(kAsk3), 300), QByteArray());
        // Address 1 again with a wrong check byte: silence, logged as such.
        const QByteArray badAsk1 = "FF FF FF FF 02 01 00 00 04";
        QCOMPARE(ask(fd, QByteArray::fromHex(badAsk1), 300), QByteArray());
        close(fd);
        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY(sim.exitStatus() == QProcess::NormalExit && sim.exitCode() == 0);
        QVERIFY(!QFileInfo(link).isSymLink());

        QFile logFile(log);
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        // Each line begins with the milliseconds since start.
        const QRegularExpression time("^\\d+ ", QRegularExpression::MultilineOption);
        QCOMPARE(QString::fromLatin1(logFile.readAll()).remove(time),
                 "RX " + kAsk1 + " check ok\nTX " + kAnswer1 + "\nRX " + kAsk3 + " check ok\nRX " +
                     badAsk1 + " check bad\n");
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
};

QTEST_GUILESS_MAIN(SimProcessTest)
#include "tst_sim_process.moc"
