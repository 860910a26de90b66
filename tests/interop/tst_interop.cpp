// The program against FieldComm Group's HART-IP reference server and its flow device, each
// started factory-fresh on a loopback port: the logger and the window over TCP and UDP, a secure
// session after a key is provisioned, subscribing and unsubscribing, and a server that stops and
// starts again. What the device says is known from its README: one instrument at polling address
// 0 with a mass flow of 12000 kg/h, error answers (0x84) at every other polling address.

#include "reference_device.h"

#include "app/side_settings.h"
#include "core/loop_session.h"
#include "field/field_model.h"
#include "net/hartip_session.h"
#include "tests/ui/window_fixture.h"
#include "ui/board_widget.h"
#include "ui/instrument_view.h"
#include "ui/lamp_widget.h"
#include "ui/window_layers.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using protocol::Column;

constexpr double kFlow = 12000;              // kg/h, the device's constant flow
const QString kUniqueAddress = "39FD000001"; // from the loopback interface's MAC
const QString kKey = "00112233445566778899aabbccddeeff";

// The logger on `device`, its folders in `dir`.
class Logger {
public:
    Logger(const QTemporaryDir& dir, const QString& device) : m_dir(dir) {
        m_process.start(QStringLiteral(CORVANTELIS_LOGGER),
                        {"--port", device, "--settings-dir", dir.filePath("settings/"),
                         "--results-dir", dir.filePath("results")});
    }
    ~Logger() {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }
    // What it said so far.
    const QString& said() {
        m_said += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_said;
    }
    // The measurement lines recorded so far.
    QStringList recorded() {
        const int at = said().indexOf("recording to ");
        if (at < 0)
            return {};
        QFile file(said().mid(at + 13).section('\n', 0, 0));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        lines.removeFirst(); // the header
        return lines;
    }

private:
    const QTemporaryDir& m_dir;
    QProcess m_process;
    QString m_said;
};

// The PV of a recorded line: the sixth field.
double recordedPv(const QString& line) {
    return line.section(',', 5, 5).toDouble();
}

} // namespace

class InteropTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!ReferenceDevice::built())
            QSKIP("the HART-IP reference device is not built here (see interop_reference_build)");
        QVERIFY2(m_device.start(), qPrintable(m_device.output()));
    }
    void cleanupTestCase() {
        if (ReferenceDevice::built())
            QVERIFY2(m_device.stop(), qPrintable(m_device.output()));
    }

    // The logger finds the one instrument and records its flow; nothing answers anywhere else.
    void loggerPolls_data() {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("TCP") << "hartip";
        QTest::newRow("UDP") << "hartip+udp";
    }
    void loggerPolls() {
        QFETCH(QString, scheme);
        QTemporaryDir dir;
        Logger logger(dir, QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(m_device.port()));
        QTRY_VERIFY_WITH_TIMEOUT(logger.recorded().size() >= 3, 15000);
        for (const QString& line : logger.recorded()) {
            QCOMPARE(line.section(',', 2, 2), kUniqueAddress);
            QVERIFY2(qAbs(recordedPv(line) - kFlow) < 0.01, qPrintable(line));
        }
        QVERIFY(logger.said().contains("instrument 00 found: " + kUniqueAddress));
        QVERIFY2(!logger.said().contains(QRegularExpression("instrument (0[1-9]|1[0-5]) found")),
                 qPrintable(logger.said()));
    }

    // The window: row 0 holds the instrument, rows 1 to 15 stay empty. Subscribed, the command-9
    // publications (their address without the device-type bits) reach the instrument; the
    // flags read back confirm the subscription and its end, after which nothing more comes.
    void windowPollsAndSubscribes_data() {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("TCP") << "hartip";
        QTest::newRow("UDP") << "hartip+udp";
    }
    void windowPollsAndSubscribes() {
        QFETCH(QString, scheme);
        QTemporaryDir dir;
        WindowRecorder recorder;
        ui::Form1Environment environment = testEnvironment(recorder);
        environment.now = [] { return QDateTime::currentDateTime(); };
        environment.startupDevice =
            QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(m_device.port());
        auto window = makeWindow(settingsDirIn(dir), environment);
        window->Form_Load();
        QTRY_COMPARE_WITH_TIMEOUT(window->shape1()->colour(), serial::kLampOpen, 10000);
        QTest::keyClick(window->yesButton(), Qt::Key_Return);
        // The board shows the address as answered: the device sets the master and burst bits.
        QTRY_COMPARE_WITH_TIMEOUT(window->board().caption(Column::Label1, 0), "F9FD000001", 10000);
        field::FieldModel& model = window->session().fieldModel();
        QTRY_VERIFY_WITH_TIMEOUT(model.instrument(0).lastMeasured.has_value(), 5000);
        QVERIFY(qAbs(model.instrument(0).lastMeasured->values[0]->value - kFlow) < 0.01);
        QTest::qWait(2000); // a few passes over the sixteen addresses
        for (int row = 1; row < protocol::kRowCount; ++row)
            QVERIFY2(window->board().caption(Column::Label1, row).trimmed().isEmpty(),
                     qPrintable(QString::number(row)));

        using Outcome = core::Subscriptions::Outcome;
        ui::WindowLayers layers(*window, nullptr);
        ui::InstrumentView* view = layers.field.open(0);
        QSignalSpy settled(&window->session().subscriptions(), &core::Subscriptions::settled);
        QSignalSpy published(window->session().hartIpSession(), &net::HartIpSession::published);
        view->subscribeSwitch()->click();
        QTRY_COMPARE_WITH_TIMEOUT(settled.size(), 1, 5000);
        QCOMPARE(settled.at(0).at(2).value<Outcome>(), Outcome::Confirmed);
        QTRY_VERIFY_WITH_TIMEOUT(model.instrument(0).bursts.count(9) > 0, 5000);
        QCOMPARE(window->session().unmatchedPublications(), quint64(0));
        QVERIFY(view->findChild<QLabel*>("Instrument_SubscriptionNote")->isHidden());

        view->subscribeSwitch()->click();
        QTRY_COMPARE_WITH_TIMEOUT(settled.size(), 2, 5000);
        QCOMPARE(settled.at(1).at(2).value<Outcome>(), Outcome::Confirmed);
        QTest::qWait(500); // what was on its way
        published.clear();
        QTest::qWait(1500);
        QCOMPARE(published.size(), 0);
    }

    // The server goes and comes back: the logger says so and records again by itself.
    void serverStopsAndStartsAgain() {
        QTemporaryDir dir;
        Logger logger(dir, QStringLiteral("hartip://127.0.0.1:%1").arg(m_device.port()));
        QTRY_VERIFY_WITH_TIMEOUT(logger.recorded().size() >= 1, 15000);
        QVERIFY2(m_device.stop(), qPrintable(m_device.output()));
        QTRY_VERIFY_WITH_TIMEOUT(logger.said().contains("failed: "), 10000);
        const int before = logger.recorded().size();
        // Not probed: on a fresh server the first session is exclusive, and the logger trying
        // again every second may well be first.
        QVERIFY2(m_device.start(false), qPrintable(m_device.output()));
        QTRY_VERIFY_WITH_TIMEOUT(logger.said().count("HART-IP session open") >= 2, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(logger.recorded().size() > before + 2, 15000);
    }

    // A fresh device given its key through the first version-2 session; the key as it takes it
    // (the ASCII text of its hex digits and a NUL, 33 bytes) kept for the host. The logger,
    // given the plain address, finds the device answers no version-1 Initiate and opens the
    // secure session: Initiate in the clear, then TLS.
    void secureSession() {
        ReferenceDevice fresh;
        QVERIFY2(fresh.start(false), qPrintable(fresh.output()));
        QVERIFY2(fresh.provision(kKey), qPrintable(fresh.output()));
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("settings")));
        const QString asTaken = QString::fromLatin1(kKey.toLatin1().toHex()) + "00";
        QVERIFY(app::SideSettings(dir.filePath("settings/"))
                    .setHartIpKey("127.0.0.1", {"HART-IPClient", asTaken}));
        {
            Logger logger(dir, QStringLiteral("hartip://127.0.0.1:%1").arg(fresh.port()));
            QTRY_VERIFY_WITH_TIMEOUT(
                logger.said().contains(QStringLiteral("HART-IP session open: 127.0.0.1:%1, TLS "
                                                      "after Session Initiate")
                                           .arg(fresh.port())),
                20000);
            QTRY_VERIFY_WITH_TIMEOUT(logger.recorded().size() >= 2, 10000);
            QVERIFY(qAbs(recordedPv(logger.recorded().last()) - kFlow) < 0.01);
            QVERIFY(!logger.said().contains(asTaken, Qt::CaseInsensitive));
        }
        QVERIFY2(fresh.stop(), qPrintable(fresh.output()));
    }

private:
    ReferenceDevice m_device;
};

QTEST_MAIN(InteropTest)
#include "tst_interop.moc"
