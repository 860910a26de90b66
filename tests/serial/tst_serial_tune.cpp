#include "serial/control_block.h"
#include "serial/port_controller.h"
#include "serial/serial_port.h"

#include "pty_pair.h"

#include <QSignalSpy>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <unistd.h>

using serial::ControlBlock;
using serial::PortController;
using serial::SerialPort;

namespace {

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

// Counts the yields and can run an "event handler" at a chosen one.
class ScriptedYield : public protocol::EventYield {
public:
    void yield() override {
        ++count;
        if (count == runAt && handler)
            handler();
    }
    int count = 0;
    int runAt = 0;
    std::function<void()> handler;
};

struct Recorder {
    QStringList messages;
    serial::MessageSink sink() {
        return [this](const QString& text) { messages << text; };
    }
};

const QString kMissingDevice = QStringLiteral("/nonexistent/corvantelis-tty");

} // namespace

class TestSerialTune : public QObject {
    Q_OBJECT
private slots:
    void openAndTuneOnADeviceWithoutModemLines();
    void writeCorrectsWhateverTheDriverHad();
    void readFailureSkipsTheWrite_data();
    void readFailureSkipsTheWrite();
    void writeFailureIsShown();
    void lampFollowsEachOpen();
    void changePortKeepsNumberOnBadText_data();
    void changePortKeepsNumberOnBadText();
    void changeDuringTheTuneStopsTheOldTune();
};

void TestSerialTune::openAndTuneOnADeviceWithoutModemLines() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride override(1, pty.slavePath());
    SerialPort port;
    ScriptedYield yield;
    Recorder recorder;
    PortController controller(port, yield, recorder.sink());
    QSignalSpy lamp(&controller, &PortController::lampChanged);

    controller.Open_Port();

    QCOMPARE(recorder.messages, QStringList());
    QCOMPARE(controller.commPort(), qint16(1));
    QCOMPARE(controller.lampColour(), protocol::WinColour(49152));
    QCOMPARE(lamp.count(), 1);
    QCOMPARE(lamp.at(0).at(0).value<protocol::WinColour>(), protocol::WinColour(49152));
    QCOMPARE(yield.count, 3);
    QCOMPARE(controller.controlBlock().handle(), port.handle());
    QCOMPARE(controller.controlBlock().flagsWord(), quint32(0x3011));
    QVERIFY(!controller.controlBlock().driverTogglesRts());

    termios tio{};
    QCOMPARE(::tcgetattr(int(port.handle()), &tio), 0);
    QCOMPARE(::cfgetospeed(&tio), speed_t(B1200));
    // Pseudo-terminals always clear PARENB; PARODD shows the odd parity is kept.
    QCOMPARE(tio.c_cflag & (CSIZE | PARODD | CSTOPB | CRTSCTS), tcflag_t(CS8 | PARODD));
    QVERIFY(!(tio.c_iflag & (INPCK | IXON | IXOFF | ISTRIP | ICRNL)));
    QVERIFY(!(tio.c_lflag & (ICANON | ECHO | ISIG)));

    // Writing on a device without an RTS line is no error either.
    QVERIFY(port.write(QByteArray("\xFF\xFF\x02\x80\x00\x00\x82", 7)));
    QVERIFY(!port.rtsKeyer().isRaised());
    QCOMPARE(recorder.messages, QStringList());
}

// The flags word replaces whatever the driver held: flow control, parity checks and line
// editing all go, while the speed, parity and size of the open stay.
void TestSerialTune::writeCorrectsWhateverTheDriverHad() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    const int fd = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    termios dirty{};
    QCOMPARE(::tcgetattr(fd, &dirty), 0);
    ::cfsetispeed(&dirty, B1200);
    ::cfsetospeed(&dirty, B1200);
    dirty.c_cflag = (dirty.c_cflag & ~tcflag_t(CSIZE | CSTOPB)) | CS8 | PARENB | PARODD | CRTSCTS;
    dirty.c_iflag |= INPCK | IXON | IXOFF | ISTRIP | ICRNL | PARMRK;
    dirty.c_lflag |= ICANON | ECHO | ISIG;
    dirty.c_oflag |= OPOST;
    QCOMPARE(::tcsetattr(fd, TCSANOW, &dirty), 0);

    Recorder recorder;
    ControlBlock block(recorder.sink());
    block.setHandle(fd);
    block.Read_DCB();
    const quint32 before = block.flagsWord();
    QVERIFY(before != 0x3011);
    QVERIFY(before & (1u << 1)); // parity checked on input
    QVERIFY(before & (1u << 2)); // CTS flow
    QVERIFY(before & (1u << 8)); // XON/XOFF on output
    QVERIFY(!(before & 1u));     // not binary

    block.Write_DCB();
    QCOMPARE(recorder.messages, QStringList());
    QCOMPARE(block.flagsWord(), quint32(0x3011));

    termios tio{};
    QCOMPARE(::tcgetattr(fd, &tio), 0);
    ::close(fd);
    QCOMPARE(::cfgetospeed(&tio), speed_t(B1200));
    // Pseudo-terminals always clear PARENB; PARODD shows the odd parity is kept.
    QCOMPARE(tio.c_cflag & (CSIZE | PARODD | CSTOPB | CRTSCTS), tcflag_t(CS8 | PARODD));
    QCOMPARE(tio.c_iflag & (INPCK | IXON | IXOFF | ISTRIP | ICRNL | PARMRK), tcflag_t(0));
    QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    QCOMPARE(tio.c_oflag & OPOST, tcflag_t(0));
    QVERIFY(tio.c_cflag & CREAD);
}

void TestSerialTune::readFailureSkipsTheWrite_data() {
    QTest::addColumn<QString>("handleKind");
    QTest::addColumn<bool>("goodReadBefore");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no handle") << "none" << false << QString("DCB Read Error:%1").arg(EBADF);
    QTest::newRow("not a terminal") << "pipe" << false << QString("DCB Read Error:%1").arg(ENOTTY);
    // The block of the earlier port must not land on the new handle.
    QTest::newRow("not a terminal, after a good read elsewhere")
        << "pipe" << true << QString("DCB Read Error:%1").arg(ENOTTY);
}

void TestSerialTune::readFailureSkipsTheWrite() {
    QFETCH(QString, handleKind);
    QFETCH(bool, goodReadBefore);
    QFETCH(QString, expected);

    Recorder recorder;
    ControlBlock block(recorder.sink());
    PtyPair pty;
    QVERIFY(pty.isValid());
    int slave = -1;
    if (goodReadBefore) {
        slave = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(slave >= 0);
        block.setHandle(slave);
        block.Read_DCB();
        QCOMPARE(recorder.messages, QStringList());
    }
    int pipeEnds[2] = {-1, -1};
    if (handleKind == "pipe") {
        QCOMPARE(::pipe(pipeEnds), 0);
        block.setHandle(pipeEnds[1]);
    } else {
        block.setHandle(-1);
    }
    block.Read_DCB();
    block.Write_DCB();
    for (int end : pipeEnds)
        if (end >= 0)
            ::close(end);
    if (slave >= 0)
        ::close(slave);
    QCOMPARE(recorder.messages, QStringList{expected});
}

void TestSerialTune::writeFailureIsShown() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    const int fd = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    Recorder recorder;
    ControlBlock block(recorder.sink());
    block.setHandle(fd);
    block.Read_DCB();
    const quint32 readFlags = block.flagsWord();
    ::close(fd);
    block.Write_DCB();
    QCOMPARE(recorder.messages, QStringList{QString("DCB Write Error:%1").arg(EBADF)});
    QCOMPARE(block.flagsWord(), readFlags);
}

void TestSerialTune::lampFollowsEachOpen() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride missing(3, kMissingDevice);
    PortOverride working(4, pty.slavePath());
    SerialPort port;
    ScriptedYield yield;
    Recorder recorder;
    PortController controller(port, yield, recorder.sink());
    QSignalSpy lamp(&controller, &PortController::lampChanged);

    controller.changePort("3");
    QCOMPARE(controller.commPort(), qint16(3));
    QCOMPARE(controller.lampColour(), protocol::WinColour(255));
    QVERIFY(!port.isOpen());
    QCOMPARE(yield.count, 0);

    controller.changePort("4");
    QCOMPARE(controller.lampColour(), protocol::WinColour(49152));
    QVERIFY(port.isOpen());
    const qintptr handle = port.handle();
    QCOMPARE(controller.controlBlock().handle(), handle);

    // The same port again: closed, reopened and tuned once more.
    controller.changePort("4");
    QCOMPARE(controller.lampColour(), protocol::WinColour(49152));
    QCOMPARE(controller.controlBlock().flagsWord(), quint32(0x3011));

    // A failed open leaves the handle of the last good one in place, and no port open.
    const qintptr lastGood = controller.controlBlock().handle();
    controller.changePort("3");
    QCOMPARE(controller.lampColour(), protocol::WinColour(255));
    QVERIFY(!port.isOpen());
    QCOMPARE(controller.controlBlock().handle(), lastGood);

    QCOMPARE(lamp.count(), 4);
    QCOMPARE(lamp.at(0).at(0).value<protocol::WinColour>(), protocol::WinColour(255));
    QCOMPARE(lamp.at(1).at(0).value<protocol::WinColour>(), protocol::WinColour(49152));
    QCOMPARE(lamp.at(3).at(0).value<protocol::WinColour>(), protocol::WinColour(255));
    QCOMPARE(recorder.messages, QStringList());
}

void TestSerialTune::changePortKeepsNumberOnBadText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("a number") << "2" << 2;
    QTest::newRow("blanks around") << " 4 " << 4;
    QTest::newRow("empty") << "" << 5;
    QTest::newRow("letters") << "COM2" << 5;
    QTest::newRow("decimal") << "2.5" << 5;
    QTest::newRow("zero, refused") << "0" << 5;
    QTest::newRow("negative, refused") << "-2" << 5;
    QTest::newRow("beyond 16 bits") << "65538" << 5;
}

void TestSerialTune::changePortKeepsNumberOnBadText() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride previous(5, pty.slavePath());
    PortOverride two(2, kMissingDevice);
    PortOverride four(4, kMissingDevice);
    SerialPort port;
    QVERIFY(port.setCommPort(5));
    ScriptedYield yield;
    Recorder recorder;
    PortController controller(port, yield, recorder.sink());

    controller.changePort(text);
    QCOMPARE(controller.commPort(), qint16(expected));
    // The kept number is opened again; a new one is the missing device.
    QCOMPARE(controller.lampColour(),
             protocol::WinColour(expected == 5 ? serial::kLampOpen : serial::kLampFailed));
}

// A port change that runs inside one of the tune's yields has done its own open; the
// interrupted tune must not go on with a descriptor that is closed or no longer its port's.
void TestSerialTune::changeDuringTheTuneStopsTheOldTune() {
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortOverride working(1, pty.slavePath());
    PortOverride missing(3, kMissingDevice);
    SerialPort port;
    ScriptedYield yield;
    Recorder recorder;
    PortController controller(port, yield, recorder.sink());
    yield.runAt = 1;
    yield.handler = [&controller] { controller.changePort("3"); };

    controller.Open_Port();

    QCOMPARE(recorder.messages, QStringList());
    QCOMPARE(controller.lampColour(), serial::kLampFailed);
    QVERIFY(!port.isOpen());
    QCOMPARE(yield.count, 1);
}

QTEST_GUILESS_MAIN(TestSerialTune)
#include "tst_serial_tune.moc"
