#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
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
