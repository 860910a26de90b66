#include "serial/discovered_port.h"
#include "serial/modem_lines.h"
#include "serial/open_failure.h"
#include "serial/port_controller.h"
#include "serial/port_naming.h"
#include "serial/serial_port.h"

#include "pty_pair.h"

#include <QtTest>

#include <cerrno>
#include <ctime>
#include <functional>
#include <memory>
#include <termios.h>
#include <unistd.h>

using namespace serial;

namespace {

// Port 1 is the slave of a fresh pseudo-terminal, port 3 a device that does not exist. The rig
// is also the controller's event yield: it counts the yields and can run a handler in one.
struct Rig : protocol::EventYield {
    Rig() {
        qputenv("CORVANTELIS_COM1", pty.slavePath().toLocal8Bit());
        qputenv("CORVANTELIS_COM3", "/nonexistent/corvantelis-tty");
    }
    void yield() override {
        if (++yields == runAt)
            handler();
    }
    PtyPair pty;
    SerialPort port;
    QStringList messages;
    int yields = 0, runAt = 0;
    std::function<void()> handler;
    PortController controller{port, *this, [this](const QString& m) { messages << m; }};
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

// A port whose RTS line and transmitter the test controls.
struct FakeLine {
    FakeLine(long refusal, int busy, bool tell)
        : refuseWith(refusal), busyChecks(busy), canTell(tell) {}
    long refuseWith; // the answer to every RTS request
    int busyChecks;  // the transmitter reports bytes for this many checks
    bool canTell;    // whether the device can say its transmitter is empty
    QList<bool> rts; // the accepted requests, in order
    int emptyChecks = 0, drains = 0;
    QElapsedTimer clock; // started by the test just before the raise
    qint64 heldMs = -1;  // when the last request came

    RtsKeyer::Lines lines() {
        const auto setRts = [this](bool on) -> long {
            if (refuseWith == 0)
                rts << on;
            heldMs = clock.elapsed();
            return refuseWith;
        };
        const auto empty = [this]() -> std::optional<bool> {
            ++emptyChecks;
            return canTell ? std::optional<bool>(emptyChecks > busyChecks) : std::nullopt;
        };
        return {setRts, empty, [this] { ++drains; }, serial::isUnsupportedRequest};
    }
};

} // namespace

class TestSerial : public QObject {
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
        QVERIFY(rig.pty.writeMaster(all));
        QVERIFY(waitForInput(int(rig.port.handle()), all.size(), 2000));
        QCoreApplication::processEvents(); // the port's notifier fetches a first part
        QCOMPARE(rig.port.readAllWaiting().value_or("failed"), all);
        QCOMPARE(rig.port.readAllWaiting().value_or("failed"), QByteArray());
    }

    // The port tells how long ago the bytes it hands over came in: the answer's time is its
    // last byte's, not the end of the wait that read it.
    void lastByteAge() {
        Rig rig;
        rig.controller.Open_Port();
        QCOMPARE(rig.port.lastByteAgeMs(), qint64(-1));
        QVERIFY(rig.pty.writeMaster(QByteArray::fromHex("FFFF06810000")));
        QTest::qWait(400); // the answer wait goes on after the answer came
        QCOMPARE(rig.port.readAllWaiting().value_or("failed").size(), 6);
        const qint64 age = rig.port.lastByteAgeMs();
        QVERIFY2(age >= 300 && age < 5000, qPrintable(QString::number(age)));
        QCOMPARE(rig.port.readAllWaiting().value_or("failed"), QByteArray());
        QCOMPARE(rig.port.lastByteAgeMs(), qint64(-1)); // nothing read, no age
    }

    // After start-up on port 1, a choice from the list. The number in the text is taken only
    // when the port accepts it; a failed open leaves no port open and the handle of the last
    // good one in place; a pseudo-terminal's missing modem lines raise no message.
    void choosePort_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("opens");
        QTest::newRow("the open port again") << "1" << 1 << true;
        QTest::newRow("absent") << "3" << 3 << false;
        QTest::newRow("letters") << "COM3" << 1 << true;
        QTest::newRow("zero") << "0" << 1 << true;
        QTest::newRow("beyond 16 bits") << "65539" << 1 << true;
    }
    void choosePort() {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(bool, opens);
        Rig rig;
        rig.controller.Open_Port();
        const qintptr first = rig.port.handle();
        rig.controller.changePort(text);
        QCOMPARE(rig.controller.commPort(), qint16(port));
        QCOMPARE(rig.controller.lampColour(), opens ? kLampOpen : kLampFailed);
        QCOMPARE(rig.yields, opens ? 6 : 3);
        QCOMPARE(rig.controller.controlBlock().handle(), opens ? rig.port.handle() : first);
        if (opens) {
            QCOMPARE(rig.controller.controlBlock().flagsWord(), quint32(0x3011));
            QVERIFY(isHartLine(int(rig.port.handle())));
            // What is asked of the driver: the kernel forces 8 bits on a pseudo-terminal, so
            // the line itself cannot show a wrong size.
            QCOMPARE(rig.port.lineSettings(),
                     (SerialPort::LineSettings{1200, QSerialPort::Data8, QSerialPort::OddParity,
                                               QSerialPort::OneStop, QSerialPort::NoFlowControl}));
            // The driver cannot key RTS here, so the port does it around each write.
            QVERIFY(!rig.controller.controlBlock().driverTogglesRts());
            QVERIFY(rig.port.rtsKeyer().isEnabled());
        } else {
            QVERIFY(!rig.port.readAllWaiting() && !rig.port.write("\xFF\xFF"));
        }
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
        QTemporaryFile notATerminal;
        QVERIFY(notATerminal.open());
        block.setHandle(notATerminal.handle());
        block.Read_DCB();
        block.Write_DCB();
        QCOMPARE(rig.messages, (QStringList{QString("DCB Write Error:%1").arg(EBADF),
                                            QString("DCB Read Error:%1").arg(ENOTTY)}));
    }

    // The far end of the line goes away under an open port, as an unplugged USB modem does: the
    // port closes and the lamp turns red at once, without a word; nothing spins while the
    // device is away; when a device is back at the same path it is opened and tuned again.
    void lostDeviceIsReopenedWhenBack_data() {
        QTest::addColumn<bool>("byPath");
        QTest::newRow("port 1") << false;
        QTest::newRow("a device chosen by its path") << true;
    }
    void lostDeviceIsReopenedWhenBack() {
        QFETCH(bool, byPath);
        Rig r;
        QTemporaryDir dir;
        const QString link = dir.filePath("modem");
        QVERIFY(QFile::link(r.pty.slavePath(), link));
        qputenv("CORVANTELIS_COM1", byPath ? "/nonexistent/tty" : link.toLocal8Bit());
        // The test makes the looks for the device itself, so nothing depends on when the
        // controller's own timer would fire on a busy machine.
        r.controller.setReopenIntervalMs(24 * 3600 * 1000);
        r.controller.Open_Port();
        if (byPath)
            r.controller.changeDevice(link);
        QCOMPARE(r.controller.lampColour(), kLampOpen);

        r.pty.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(r.controller.lampColour(), kLampFailed, 10000);
        QVERIFY(!r.port.isOpen() && r.controller.isReopening());
        QCOMPARE(r.controller.status().state, PortStatus::State::Lost);
        QCOMPARE(r.controller.status().devicePath, link);
        // The line stays away: looks, reads and writes all fail, and a dead line does not keep
        // the program busy (a generous bound: a loop spinning on it would take the whole second).
        const std::clock_t before = std::clock();
        for (int look = 0; look < 3; ++look) {
            r.controller.tryReopen();
            QVERIFY(!r.port.write(QByteArray(14, '\xFF')) && !r.port.readAllWaiting());
            QCOMPARE(r.controller.lampColour(), kLampFailed);
            QVERIFY(r.controller.isReopening());
        }
        QTest::qWait(1000);
        const double cpuMs = 1000.0 * double(std::clock() - before) / CLOCKS_PER_SEC;
        QVERIFY2(cpuMs < 600, qPrintable(QString("%1 ms of CPU in 1 s").arg(cpuMs)));
        QCOMPARE(r.controller.lampColour(), kLampFailed);

        PtyPair back;
        QVERIFY(QFile::remove(link) && QFile::link(back.slavePath(), link));
        r.controller.tryReopen();
        QCOMPARE(r.controller.lampColour(), kLampOpen);
        QVERIFY(!r.controller.isReopening());
        QCOMPARE(r.controller.controlBlock().flagsWord(), quint32(0x3011));
        QVERIFY(isHartLine(int(r.port.handle())));
        QVERIFY(r.port.write("\xFF\x02\x01"));
        QCOMPARE(back.readMaster(3, 10000), QByteArray("\xFF\x02\x01"));
        QCOMPARE(r.messages, QStringList());
    }

    // A choice from the list while a lost device is looked for ends the search.
    void portChangeEndsTheSearch() {
        Rig r;
        r.controller.setReopenIntervalMs(50);
        r.controller.Open_Port();
        r.pty.closeMaster();
        QTRY_VERIFY_WITH_TIMEOUT(r.controller.isReopening(), 2000);
        r.controller.changePort("3");
        QVERIFY(!r.controller.isReopening());
        QTest::qWait(200);
        QCOMPARE(r.controller.lampColour(), kLampFailed);
        QCOMPARE(r.controller.commPort(), qint16(3));
    }

    // The port list's entries: path, then what the system says of the device, then its stable
    // name as an entry of its own.
    void listEntries() {
        DiscoveredPort ftdi{
            "/dev/ttyUSB0", "FT232R USB UART",
            "FTDI",         0x0403,
            0x6001,         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0"};
        DiscoveredPort acm{"/dev/ttyACM0", "", "Arduino", 0x2341, 0x0043, ""};
        DiscoveredPort bare{"/dev/ttyS4", "", "", std::nullopt, std::nullopt, ""};
        DiscoveredPort idsOnly{"/dev/ttyUSB1", "", "", 0x1a86, 0x7523, ""};
        QStringList texts, devices;
        for (const PortEntry& entry : portEntries({ftdi, acm, bare, idsOnly}))
            texts << entry.text, devices << entry.devicePath;
        QCOMPARE(texts, (QStringList{"/dev/ttyUSB0 \u2014 FT232R USB UART (0403:6001)",
                                     "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0",
                                     "/dev/ttyACM0 \u2014 Arduino (2341:0043)", "/dev/ttyS4",
                                     "/dev/ttyUSB1 \u2014 1a86:7523"}));
        QCOMPARE(devices, (QStringList{ftdi.devicePath, ftdi.stableName, acm.devicePath,
                                       bare.devicePath, idsOnly.devicePath}));
    }

    void stableNameIsTheLinkToTheDevice() {
        Rig rig;
        QTemporaryDir byId;
        QVERIFY(QFile::link("/dev/null", byId.filePath("usb-Other-if00")));
        QVERIFY(QFile::link(rig.pty.slavePath(), byId.filePath("usb-HART_Modem-if00")));
        QCOMPARE(stableNameOf(rig.pty.slavePath(), byId.path()),
                 byId.filePath("usb-HART_Modem-if00"));
        QCOMPARE(stableNameOf("/dev/zero", byId.path()), QString());
        QCOMPARE(stableNameOf("/nonexistent/tty", byId.path()), QString());
    }

    // Why an open failed, from real failures on things the test makes.
    void openFailureReasons() {
        Rig rig;
        QTemporaryDir dir;
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        SerialPort holder; // another program with the device open
        QVERIFY(holder.setDevice(rig.pty.slavePath()) && holder.open());
        const QList<std::pair<QString, OpenFailure>> cases = {
            {"/nonexistent/ttyUSB9", OpenFailure::NoSuchDevice},
            {dir.filePath("plain"), OpenFailure::NotSerial},
            {dir.path(), OpenFailure::NotSerial},
            {rig.pty.slavePath(), OpenFailure::Busy},
        };
        for (const auto& [path, failure] : cases) {
            rig.controller.changeDevice(path);
            QCOMPARE(rig.controller.lampColour(), kLampFailed);
            QCOMPARE(rig.controller.status().state, PortStatus::State::Failed);
            QCOMPARE(rig.controller.status().devicePath, path);
            QCOMPARE(int(rig.controller.status().failure), int(failure));
            QCOMPARE(rig.controller.selectionText(), path);
        }
        if (::geteuid() != 0) { // root may open anything
            QVERIFY(QFile::setPermissions(dir.filePath("plain"), QFileDevice::WriteOwner));
            rig.controller.changeDevice(dir.filePath("plain"));
            QCOMPARE(int(rig.controller.status().failure), int(OpenFailure::PermissionDenied));
        }
        // The held device is let go: chosen by its path, it opens, and a number chosen after
        // it selects the numbered port again.
        holder.close();
        rig.controller.changeDevice(rig.pty.slavePath());
        QCOMPARE(rig.controller.status().state, PortStatus::State::Open);
        QCOMPARE(rig.controller.lampColour(), kLampOpen);
        rig.controller.changePort("3");
        QCOMPARE(rig.controller.selectionText(), "3");
        QCOMPARE(rig.controller.status().devicePath, "/nonexistent/corvantelis-tty");
    }

    // A port change run by an event inside the tune's first yield has done its own open; the
    // interrupted tune must not go on with a descriptor that is closed or another port's.
    void changeDuringTheTuneStopsTheOldTune() {
        Rig rig;
        rig.runAt = 1;
        rig.handler = [&rig] { rig.controller.changePort("3"); };
        rig.controller.Open_Port();
        QCOMPARE(rig.controller.lampColour(), kLampFailed);
        QVERIFY(!rig.port.isOpen());
        QCOMPARE(rig.yields, 1);
        QCOMPARE(rig.messages, QStringList());
    }

    // RTS goes up for the frame and stays up for its time on the wire, 11 bits a byte at
    // 1200 bit/s; the drop is scheduled, not waited for, and comes once the transmitter is
    // empty (or, when the device cannot tell, after draining the driver). Closing the port
    // drops it at once. A port without the line, or whose driver keys it, is left alone.
    void keyedForTheFrame_data() {
        QTest::addColumn<long>("refusal");
        QTest::addColumn<bool>("driverKeys");
        QTest::addColumn<int>("busyChecks");
        QTest::addColumn<bool>("canTell");
        QTest::newRow("transmitter empty") << 0L << false << 0 << true;
        QTest::newRow("transmitter still busy") << 0L << false << 3 << true;
        QTest::newRow("device cannot tell") << 0L << false << 0 << false;
        QTest::newRow("no line: ENOTTY") << long(ENOTTY) << false << 0 << true;
        QTest::newRow("no line: EINVAL") << long(EINVAL) << false << 0 << true;
        QTest::newRow("the driver keys RTS") << 0L << true << 0 << true;
    }
    void keyedForTheFrame() {
        QFETCH(long, refusal);
        QFETCH(bool, driverKeys);
        QFETCH(int, busyChecks);
        QFETCH(bool, canTell);
        FakeLine line{refusal, busyChecks, canTell};
        RtsKeyer keyer;
        keyer.attach(line.lines());
        keyer.setEnabled(!driverKeys);
        line.clock.start();
        keyer.beforeWrite();
        keyer.afterHandOff(3);
        if (refusal != 0 || driverKeys) {
            QVERIFY(!keyer.isRaised() && !keyer.dropPending() && !keyer.isEnabled());
            QCOMPARE(line.rts, QList<bool>());
            return;
        }
        QVERIFY(keyer.dropPending());
        QTRY_COMPARE_WITH_TIMEOUT(line.rts, (QList<bool>{true, false}), 1000);
        QCOMPARE(line.emptyChecks, busyChecks + 1);
        QCOMPARE(line.drains, canTell ? 0 : 1);
        const double wireMs = 11 * 1000.0 * 3 / 1200;
        QVERIFY2(line.heldMs >= wireMs, qPrintable(QString::number(line.heldMs)));
        // Not so long that the first byte of an answer would meet our carrier; long enough for
        // the frames the program sends (14 bytes) and the longest answers (40).
        for (int bytes : {3, 14, 40}) {
            const double ms = 11 * 1000.0 * bytes / 1200;
            QVERIFY2(RtsKeyer::holdMs(bytes) >= ms && RtsKeyer::holdMs(bytes) <= ms + 9,
                     qPrintable(QString::number(bytes)));
        }

        keyer.beforeWrite();
        keyer.afterHandOff(14);
        keyer.detach();
        QCOMPARE(line.rts, (QList<bool>{true, false, true, false}));
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "tst_serial.moc"
