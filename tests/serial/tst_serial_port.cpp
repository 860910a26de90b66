#include "serial/control_block.h"
#include "serial/port_controller.h"
#include "serial/port_naming.h"
#include "serial/serial_port.h"

#include "pty_pair.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <termios.h>
#include <unistd.h>

using namespace serial;

namespace {

constexpr protocol::WinColour kGreen = 49152, kRed = 255;

struct ScriptedYield : protocol::EventYield {
    void yield() override {
        if (++count == runAt)
            handler();
    }
    int count = 0, runAt = 0;
    std::function<void()> handler;
};

// Port 1 is the slave of a fresh pseudo-terminal, port 3 a device that does not exist.
struct Rig {
    Rig() {
        qputenv("CORVANTELIS_COM1", pty.slavePath().toLocal8Bit());
        qputenv("CORVANTELIS_COM3", "/nonexistent/corvantelis-tty");
    }
    PtyPair pty;
    SerialPort port;
    ScriptedYield yield;
    QStringList messages;
    PortController controller{port, yield, [this](const QString& m) { messages << m; }};
};

// 1200 bit/s, 8 bits, odd parity (pseudo-terminals always clear PARENB; PARODD shows it), one
// stop bit, raw, no parity check on input, no flow control of any kind.
bool isHartLine(int fd) {
    termios t{};
    return ::tcgetattr(fd, &t) == 0 && ::cfgetospeed(&t) == B1200 &&
           (t.c_cflag & (CSIZE | PARODD | CSTOPB | CRTSCTS)) == tcflag_t(CS8 | PARODD) &&
           !(t.c_iflag & (INPCK | IXON | IXOFF | ISTRIP | ICRNL | PARMRK)) &&
           !(t.c_lflag & (ICANON | ECHO | ISIG)) && !(t.c_oflag & OPOST);
}

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT
private slots:
    void portNaming() {
        qunsetenv("CORVANTELIS_COM12");
        QCOMPARE(portDevicePath(12), QString("/dev/ttyS11"));
    }

    // More bytes than the receive buffer holds, so read-all must also fetch what the driver
    // has. The answer wait counts from the hand-off: write() neither blocks for the bytes' time
    // on the wire nor leaves them for a later turn of the event loop.
    void everyByteBothWays() {
        Rig rig;
        rig.controller.Open_Port();
        QByteArray all;
        for (int i = 0; i < 1500; ++i)
            all.append(char(i % 256));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(rig.port.write(all));
        QVERIFY2(clock.elapsed() < 50, "write() blocked");
        QCOMPARE(rig.pty.readMaster(all.size(), 2000), all);
        QVERIFY(!rig.port.rtsKeyer().isRaised()); // a pty has no RTS to key
        QVERIFY(rig.pty.writeMaster(all));
        QVERIFY(waitForInput(int(rig.port.handle()), all.size(), 2000));
        QCoreApplication::processEvents(); // the port's notifier fetches a first part
        QCOMPARE(rig.port.readAllWaiting().value_or("failed"), all);
        QCOMPARE(rig.port.readAllWaiting().value_or("failed"), QByteArray());
        QCOMPARE(rig.messages, QStringList());
    }

    // The number in the list's text is taken only when it is one the port accepts.
    void choosePort_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<protocol::WinColour>("lamp");
        QTest::newRow("working") << "1" << 1 << kGreen;
        QTest::newRow("absent") << "3" << 3 << kRed;
        QTest::newRow("letters") << "COM3" << 1 << kGreen;
        QTest::newRow("zero") << "0" << 1 << kGreen;
        QTest::newRow("beyond 16 bits") << "65539" << 1 << kGreen;
    }
    void choosePort() {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(protocol::WinColour, lamp);
        Rig rig;
        rig.controller.changePort(text);
        QCOMPARE(rig.controller.commPort(), qint16(port));
        QCOMPARE(rig.controller.lampColour(), lamp);
        QCOMPARE(rig.port.isOpen(), lamp == kGreen);
        QCOMPARE(rig.yield.count, lamp == kGreen ? 3 : 0);
        if (lamp == kRed) {
            QCOMPARE(rig.port.handle(), qintptr(-1));
            QVERIFY(!rig.port.readAllWaiting() && !rig.port.write("\xFF\xFF"));
        }
        QCOMPARE(rig.messages, QStringList());
    }

    // Start-up on port 1, the same port again, a missing one, then a working one.
    void openAndTuneSequence() {
        Rig rig;
        QSignalSpy lamps(&rig.controller, &PortController::lampChanged);
        rig.controller.Open_Port();
        QCOMPARE(rig.controller.commPort(), qint16(1));
        QCOMPARE(rig.controller.controlBlock().flagsWord(), quint32(0x3011));
        QVERIFY(isHartLine(int(rig.port.handle())));
        rig.controller.changePort("1");
        QCOMPARE(rig.yield.count, 6);
        const qintptr lastGood = rig.port.handle();
        QCOMPARE(rig.controller.controlBlock().handle(), lastGood);
        rig.controller.changePort("3");
        QCOMPARE(rig.controller.controlBlock().handle(), lastGood);
        rig.controller.changePort("1");
        QVERIFY(rig.port.isOpen());
        QCOMPARE(lamps.count(), 4);
        QCOMPARE(lamps.at(2).at(0), QVariant(kRed));
        QCOMPARE(lamps.at(3).at(0), QVariant(kGreen));
        QCOMPARE(rig.messages, QStringList());
    }

    // The flags word replaces whatever the driver held; the speed, size and parity stay. A
    // failed read is shown and the write skipped, so neither a block of zeros nor the block of
    // the port read before lands on the device.
    void controlBlock() {
        Rig rig;
        QVERIFY(rig.port.open());
        const int fd = int(rig.port.handle());
        termios dirty{};
        ::tcgetattr(fd, &dirty);
        dirty.c_cflag |= PARENB | CRTSCTS;
        dirty.c_iflag |= INPCK | IXON | IXOFF | ISTRIP | ICRNL | PARMRK;
        dirty.c_lflag |= ICANON | ECHO | ISIG;
        dirty.c_oflag |= OPOST;
        QCOMPARE(::tcsetattr(fd, TCSANOW, &dirty), 0);
        ControlBlock block([&rig](const QString& m) { rig.messages << m; });
        block.setHandle(fd);
        block.Read_DCB();
        // Not binary; parity checked, CTS flow, XON/XOFF both ways.
        QCOMPARE(block.flagsWord() & 0x307, quint32(0x306));
        block.Write_DCB();
        QCOMPARE(block.flagsWord(), quint32(0x3011));
        QVERIFY(isHartLine(fd));
        QCOMPARE(rig.messages, QStringList());
        rig.port.close();
        block.Write_DCB();
        int ends[2] = {-1, -1};
        QCOMPARE(::pipe(ends), 0);
        block.setHandle(ends[1]);
        block.Read_DCB();
        block.Write_DCB();
        ::close(ends[0]);
        ::close(ends[1]);
        QCOMPARE(rig.messages, (QStringList{QString("DCB Write Error:%1").arg(EBADF),
                                            QString("DCB Read Error:%1").arg(ENOTTY)}));
    }

    // A port change run by an event inside the tune's first yield has done its own open; the
    // interrupted tune must not go on with a descriptor that is closed or another port's.
    void changeDuringTheTuneStopsTheOldTune() {
        Rig rig;
        rig.yield.runAt = 1;
        rig.yield.handler = [&rig] { rig.controller.changePort("3"); };
        rig.controller.Open_Port();
        QCOMPARE(rig.controller.lampColour(), kRed);
        QVERIFY(!rig.port.isOpen());
        QCOMPARE(rig.yield.count, 1);
        QCOMPARE(rig.messages, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serial_port.moc"
