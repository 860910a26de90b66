#include "serial/port_controller.h"
#include "serial/port_naming.h"
#include "serial/serial_port.h"

#include "pty_pair.h"

#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <termios.h>
#include <vector>

using serial::SerialPort;

namespace {

QByteArray everyByteValue() {
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes.append(char(value));
    return bytes;
}

// Points CORVANTELIS_COM<number> at `path` for the lifetime of the object.
class PortOverride {
public:
    PortOverride(int number, const QString& path)
        : m_name("CORVANTELIS_COM" + QByteArray::number(number)) {
        qputenv(m_name.constData(), path.toLocal8Bit());
    }
    ~PortOverride() { qunsetenv(m_name.constData()); }

private:
    QByteArray m_name;
};

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT
private slots:
    void portNaming_data();
    void portNaming();
    void startsOnPortOneAndRefusesLowNumbers();
    void everyByteSurvivesBothWays_data();
    void everyByteSurvivesBothWays();
    void readAllWaitingEmptiesTheBuffer();
    void closedPortReadsAndWritesNothing();
    void openFails_data();
    void openFails();
    void lineSettingsAfterOpen();
    void writeHandsOverAtOnce();
};

void TestSerialPort::portNaming_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QString>("expected");

#ifdef Q_OS_WIN
    const QString one = "COM1", four = "COM4", twelve = "COM12";
#else
    const QString one = "/dev/ttyS0", four = "/dev/ttyS3", twelve = "/dev/ttyS11";
#endif
    QTest::newRow("port 1, no variable") << 1 << QByteArray() << one;
    QTest::newRow("port 4, no variable") << 4 << QByteArray() << four;
    QTest::newRow("port 12, no variable") << 12 << QByteArray() << twelve;
    QTest::newRow("port 4, empty variable") << 4 << QByteArray("") << four;
    QTest::newRow("port 1, USB adapter") << 1 << QByteArray("/dev/ttyUSB0") << "/dev/ttyUSB0";
    QTest::newRow("port 12, link") << 12 << QByteArray("/tmp/loop") << "/tmp/loop";
}

void TestSerialPort::portNaming() {
    QFETCH(int, number);
    QFETCH(QByteArray, variable);
    QFETCH(QString, expected);
    const QByteArray name = "CORVANTELIS_COM" + QByteArray::number(number);
    if (variable.isNull())
        qunsetenv(name.constData());
    else
        qputenv(name.constData(), variable);
    const QString path = serial::portDevicePath(number);
    qunsetenv(name.constData());
    QCOMPARE(path, expected);
}

void TestSerialPort::startsOnPortOneAndRefusesLowNumbers() {
    SerialPort port;
    QCOMPARE(port.commPort(), qint16(1));
    QVERIFY(!port.setCommPort(0));
    QVERIFY(!port.setCommPort(-3));
    QCOMPARE(port.commPort(), qint16(1));
    QVERIFY(port.setCommPort(4));
    QCOMPARE(port.commPort(), qint16(4));
}

void TestSerialPort::everyByteSurvivesBothWays_data() {
    QTest::addColumn<bool>("tuned");
    QTest::newRow("opened") << false;
    QTest::newRow("opened and tuned") << true;
}

void TestSerialPort::everyByteSurvivesBothWays() {
    QFETCH(bool, tuned);
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride override(7, pty.slavePath());
    SerialPort port;
    QVERIFY(port.setCommPort(7));
    if (tuned) {
        struct NoYield : protocol::EventYield {
            void yield() override {}
        } yield;
        QStringList messages;
        serial::PortController controller(port, yield,
                                          [&messages](const QString& m) { messages << m; });
        controller.Open_Port();
        QCOMPARE(messages, QStringList());
    } else {
        QString error;
        QVERIFY2(port.open(&error), qPrintable(error));
    }
    QVERIFY(port.isOpen());

    const QByteArray all = everyByteValue();
    QVERIFY(port.write(all));
    QCOMPARE(pty.readMaster(all.size(), 2000), all);

    QVERIFY(pty.writeMaster(all));
    QVERIFY(waitForInput(int(port.handle()), all.size(), 2000));
    QCOMPARE(port.readAllWaiting().value_or(QByteArray("failed")), all);
}

void TestSerialPort::readAllWaitingEmptiesTheBuffer() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride override(7, pty.slavePath());
    SerialPort port;
    QVERIFY(port.setCommPort(7));
    QVERIFY(port.open());

    // More than the port's own receive buffer holds, so everything the driver has must be
    // fetched as well.
    QByteArray sent;
    for (int i = 0; i < 1500; ++i)
        sent.append(char((i * 7) & 0xFF));
    QVERIFY(pty.writeMaster(sent));
    QVERIFY(waitForInput(int(port.handle()), sent.size(), 2000));
    QCoreApplication::processEvents(); // lets the port's notifier fetch a first part

    const std::optional<QByteArray> first = port.readAllWaiting();
    QVERIFY(first.has_value());
    QCOMPARE(first->size(), sent.size());
    QCOMPARE(*first, sent);
    const std::optional<QByteArray> second = port.readAllWaiting();
    QVERIFY(second.has_value());
    QVERIFY(second->isEmpty());
}

void TestSerialPort::closedPortReadsAndWritesNothing() {
    SerialPort port;
    QVERIFY(!port.isOpen());
    QCOMPARE(port.handle(), qintptr(-1));
    QVERIFY(!port.readAllWaiting().has_value());
    QVERIFY(!port.write(QByteArray("\xFF\xFF\x02", 3)));
}

void TestSerialPort::openFails_data() {
    QTest::addColumn<bool>("busy");
    QTest::newRow("absent device") << false;
    QTest::newRow("device in use") << true;
}

void TestSerialPort::openFails() {
    QFETCH(bool, busy);
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride override(8, busy ? pty.slavePath() : QString("/nonexistent/corvantelis-tty"));
    SerialPort holder;
    if (busy) {
        QVERIFY(holder.setCommPort(8));
        QVERIFY(holder.open());
    }
    SerialPort port;
    QVERIFY(port.setCommPort(8));
    QString error;
    QVERIFY(!port.open(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!port.isOpen());
    QCOMPARE(port.handle(), qintptr(-1));
}

void TestSerialPort::lineSettingsAfterOpen() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride override(7, pty.slavePath());
    SerialPort port;
    QVERIFY(port.setCommPort(7));
    QVERIFY(port.open());
    termios tio{};
    QCOMPARE(::tcgetattr(int(port.handle()), &tio), 0);
    QCOMPARE(::cfgetospeed(&tio), speed_t(B1200));
    QCOMPARE(::cfgetispeed(&tio), speed_t(B1200));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    // Pseudo-terminals always clear PARENB; PARODD shows the odd parity asked for.
    QVERIFY(tio.c_cflag & PARODD);
    QVERIFY(!(tio.c_cflag & CSTOPB));
    QVERIFY(!(tio.c_cflag & CRTSCTS));
    QVERIFY(!(tio.c_iflag & (IXON | IXOFF)));
}

// The answer wait counts from the hand-off, so write() must neither block for the bytes' time on
// the wire nor leave them for a later turn of the event loop. The figures are for the report.
void TestSerialPort::writeHandsOverAtOnce() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride override(7, pty.slavePath());
    SerialPort port;
    QVERIFY(port.setCommPort(7));
    QVERIFY(port.open());

    // A long-address command-3 request: preambles, delimiter, address, command, count, check.
    const QByteArray frame = QByteArray::fromHex("FFFFFFFFFF8226A60C4E8D030021");
    constexpr int kRounds = 25;
    std::vector<qint64> writeUs, arrivalUs;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.write(frame));
        const qint64 written = clock.nsecsElapsed();
        // No event loop runs here: the bytes must already be with the driver.
        QCOMPARE(pty.readMaster(frame.size(), 1000), frame);
        const qint64 arrived = clock.nsecsElapsed();
        writeUs.push_back(written / 1000);
        arrivalUs.push_back(arrived / 1000);
    }
    const auto report = [](const char* what, std::vector<qint64> us) {
        std::sort(us.begin(), us.end());
        qInfo("%s over %zu writes: min %lld us, median %lld us, max %lld us", what, us.size(),
              us.front(), us[us.size() / 2], us.back());
        return us.back();
    };
    const qint64 worstWrite = report("write() returned", writeUs);
    const qint64 worstArrival = report("far side had the frame", arrivalUs);
    // 14 bytes take 128 ms on the wire at 1200 bit/s; a write that waited for them would show.
    QVERIFY2(worstWrite < 50000, "write() blocked");
    QVERIFY(worstArrival < 500000);
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serial_port.moc"
