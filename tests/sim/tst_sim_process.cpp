#include "hart_reader.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace simtest;

namespace {

// Reads from `fd` until a whole answer has arrived or `ms` have passed.
QByteArray readAnswerBytes(int fd, int ms) {
    QByteArray received;
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            break;
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        received.append(buffer, static_cast<int>(n));
        if (readAnswer(received).complete)
            break;
    }
    return received;
}

} // namespace

class SimProcessTest : public QObject {
    Q_OBJECT

private slots:
    void servesThePseudoTerminalAndEndsOnSigterm();
    void configErrorExitsWithStatusTwo();
};

void SimProcessTest::servesThePseudoTerminalAndEndsOnSigterm() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("loop"));
    const QString log = dir.filePath(QStringLiteral("loop.log"));
    // A link left behind by an earlier run that was killed.
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), link));

    QProcess sim;
    sim.start(QStringLiteral(HART_LOOP_SIM), {QStringLiteral("--fast"), QStringLiteral("--link"),
                                              link, QStringLiteral("--log"), log});
    QVERIFY(sim.waitForStarted(5000));
    QVERIFY(sim.waitForReadyRead(5000));
    const QString firstLine = QString::fromLocal8Bit(sim.readLine()).trimmed();
    const QRegularExpressionMatch match =
        QRegularExpression(
            QStringLiteral("^hart-loop-sim: serving 3 instruments on (/dev/pts/\\d+)$"))
            .match(firstLine);
    QVERIFY2(match.hasMatch(), qPrintable(firstLine));
    QCOMPARE(QFileInfo(link).symLinkTarget(), match.captured(1));

    const int fd = open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios tio{};
    QCOMPARE(tcgetattr(fd, &tio), 0);
    cfmakeraw(&tio);
    QCOMPARE(tcsetattr(fd, TCSANOW, &tio), 0);

    const QByteArray ask1 = request(QByteArray(1, '\x01'), 0, 4);
    QCOMPARE(write(fd, ask1.constData(), ask1.size()), ssize_t(ask1.size()));
    const Answer a = readAnswer(readAnswerBytes(fd, 3000));
    QVERIFY(a.checkOk());
    QCOMPARE(a.address, QByteArray(1, '\x01'));
    QCOMPARE(a.data.size(), 12);

    const QByteArray ask3 = request(QByteArray(1, '\x03'), 0, 4);
    QCOMPARE(write(fd, ask3.constData(), ask3.size()), ssize_t(ask3.size()));
    QVERIFY(readAnswerBytes(fd, 300).isEmpty());
    close(fd);

    sim.terminate(); // SIGTERM
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());

    QFile logFile(log);
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    const QStringList lines =
        QString::fromLatin1(logFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].endsWith(QLatin1String(" RX FF FF FF FF 02 01 00 00 03 check ok")),
             qPrintable(lines[0]));
    QVERIFY2(lines[1].contains(QLatin1String(" TX FF FF FF FF FF 06 01 00 0E ")),
             qPrintable(lines[1]));
    QVERIFY2(lines[2].endsWith(QLatin1String(" RX FF FF FF FF 02 03 00 00 01 check ok")),
             qPrintable(lines[2]));
}

void SimProcessTest::configErrorExitsWithStatusTwo() {
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("bad.json")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(R"({"instruments": [{"address": 16, "hartRevision": 5, "manufacturer": 1,
                    "deviceType": 1, "deviceId": "000001"}]})");
    config.close();
    QProcess sim;
    sim.start(QStringLiteral(HART_LOOP_SIM), {QStringLiteral("--config"), config.fileName()});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QCOMPARE(QString::fromLocal8Bit(sim.readAllStandardError()),
             QStringLiteral("hart-loop-sim: instruments[0].address: must be 0 to 15\n"));
}

QTEST_GUILESS_MAIN(SimProcessTest)
#include "tst_sim_process.moc"
