// corvantelis-logger against a real Mosquitto broker on loopback, with hart-loop-sim served over
// HART-IP: what a subscriber sees (retained status and identity, every measurement once by its
// sequence number), the broker stopped and started again with nothing lost, the last will when
// the logger is killed, TLS with a certificate authority made here, and the password never told.

#include "simulated_loop.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include <unistd.h>

namespace {

const QString kPassword = QStringLiteral("Brindle-s3cret!");

quint16 freeLocalPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QString tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                           QStringLiteral("/sbin"), QStringLiteral("/bin")});
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Mosquitto on a loopback port of its own with a user and password, and with TLS when a
// certificate authority's folder is given; its sessions kept on disk across a restart.
class Broker {
public:
    explicit Broker(const QString& tlsDir = {}) : m_tlsDir(tlsDir), m_port(freeLocalPort()) {}
    ~Broker() { stop(); }

    bool start() {
        const QString passwords = m_dir.filePath("passwd");
        if (!QFile::exists(passwords) &&
            !run(tool("mosquitto_passwd"), {"-b", "-c", passwords, "ops", kPassword}))
            return false;
        QFile conf(m_dir.filePath("mosquitto.conf"));
        if (!conf.open(QIODevice::WriteOnly))
            return false;
        // Started by root it would turn into the user "mosquitto", who cannot read these files.
        QByteArray text = (geteuid() == 0 ? "user root\n" : "") + QByteArray("listener ") +
                          QByteArray::number(m_port) + " 127.0.0.1\n" +
                          "allow_anonymous false\npassword_file " + passwords.toUtf8() +
                          "\npersistence true\npersistence_location " + m_dir.path().toUtf8() +
                          "/\n";
        if (!m_tlsDir.isEmpty())
            text += "cafile " + m_tlsDir.toUtf8() + "/ca.pem\ncertfile " + m_tlsDir.toUtf8() +
                    "/server.pem\nkeyfile " + m_tlsDir.toUtf8() + "/server.key\n";
        conf.write(text);
        conf.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(tool("mosquitto"), {"-c", conf.fileName()});
        if (!m_process.waitForStarted(5000))
            return false;
        // Listening once a client can connect.
        for (int k = 0; k < 50; ++k) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(100))
                return true;
            QTest::qWait(100);
        }
        return false;
    }
    // As an operator stops it: its sessions saved.
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    quint16 port() const { return m_port; }
    QString url() const {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(m_tlsDir.isEmpty() ? QStringLiteral("mqtt") : QStringLiteral("mqtts"))
            .arg(m_port);
    }

private:
    QTemporaryDir m_dir;
    QString m_tlsDir;
    quint16 m_port;
    QProcess m_process;
};

// mosquitto_sub on everything the loggers publish, QoS 1, a session the broker keeps.
class Subscriber {
public:
    Subscriber(const Broker& broker, const QStringList& extra = {}) {
        m_process.start(tool("mosquitto_sub"),
                        QStringList{"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-u",
                                    "ops", "-P", kPassword, "-t", "corvantelis/#", "-v", "-q", "1",
                                    "-c", "-i", "corvantelis-test-subscriber"} +
                            extra);
        m_process.waitForStarted(5000);
    }
    ~Subscriber() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // What came so far: topic, then payload, a line each.
    QList<std::pair<QString, QByteArray>> messages() {
        m_buffer += m_process.readAllStandardOutput();
        QList<std::pair<QString, QByteArray>> out;
        for (const QByteArray& line : m_buffer.split('\n')) {
            const int space = line.indexOf(' ');
            if (space > 0)
                out.append({QString::fromUtf8(line.left(space)), line.mid(space + 1)});
        }
        return out;
    }
    // The measurements' sequence numbers, in the order they came.
    QList<qint64> sequences() {
        QList<qint64> out;
        for (const auto& [topic, payload] : messages())
            if (topic.endsWith(QLatin1String("/measurement")))
                out << QJsonDocument::fromJson(payload).object().value("seq").toInteger();
        return out;
    }
    bool saw(const QString& topicEnd, const QByteArray& payloadPart) {
        for (const auto& [topic, payload] : messages())
            if (topic.endsWith(topicEnd) && payload.contains(payloadPart))
                return true;
        return false;
    }

private:
    QProcess m_process;
    QByteArray m_buffer;
};

// The logger on hart-loop-sim over HART-IP, its side file's [mqtt] naming the broker.
struct LoggerRun {
    QTemporaryDir dir;
    SimulatedLoop sim;
    QProcess logger;
    quint16 simPort = freeLocalPort();
    QString password = kPassword;

    bool start(const Broker& broker, const QStringList& extra = {},
               const QStringList& simExtra = {}) {
        if (sim.start(QStringList{"--hartip", QString::number(simPort)} + simExtra).isEmpty())
            return false;
        QDir().mkpath(dir.filePath("settings"));
        QFile side(dir.filePath("settings/Corvantelis v.1.03.ini"));
        if (!side.open(QIODevice::WriteOnly))
            return false;
        side.write("[mqtt]\nuser=ops\npassword=" + password.toUtf8() +
                   "\nsite=north\nclientId=box1\n");
        side.close();
        logger.setProcessChannelMode(QProcess::MergedChannels);
        logger.start(QStringLiteral(CORVANTELIS_LOGGER),
                     QStringList{"--port", QStringLiteral("hartip://127.0.0.1:%1").arg(simPort),
                                 "--settings-dir", dir.filePath("settings"), "--results-dir",
                                 dir.filePath("results"), "--mqtt", broker.url()} +
                         extra);
        return logger.waitForStarted(5000);
    }
    QString output() { return m_output += QString::fromUtf8(logger.readAll()); }
    bool says(const QString& part) { return output().contains(part); }
    bool stop() {
        logger.terminate();
        return logger.waitForFinished(15000) && logger.exitCode() == 0;
    }
    // Lines in the day's CSV file, the header aside: every measurement taken.
    int recordedLines() const {
        int lines = 0;
        QDirIterator files(dir.filePath("results"), {"*.csv"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (file.open(QIODevice::ReadOnly))
                lines += int(file.readAll().count('\n')) - 1;
        }
        return lines;
    }

private:
    QString m_output;
};

// Every measurement 1…count came, each at least once, and in order where it first came.
bool everyOneInOrder(const QList<qint64>& sequences, int count, QString* why) {
    std::set<qint64> seen;
    qint64 highest = 0;
    for (const qint64 sequence : sequences) {
        if (!seen.count(sequence) && sequence < highest) {
            *why = QStringLiteral("%1 came after %2").arg(sequence).arg(highest);
            return false;
        }
        seen.insert(sequence);
        highest = qMax(highest, sequence);
    }
    for (qint64 sequence = 1; sequence <= count; ++sequence)
        if (!seen.count(sequence)) {
            *why = QStringLiteral("%1 of %2 never came").arg(sequence).arg(count);
            return false;
        }
    if (highest > count) {
        *why = QStringLiteral("%1 came, with %2 recorded").arg(highest).arg(count);
        return false;
    }
    return true;
}

} // namespace

class MqttBrokerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (tool("mosquitto").isEmpty() || tool("mosquitto_sub").isEmpty() ||
            tool("mosquitto_passwd").isEmpty())
            QSKIP("Mosquitto is not installed (Debian: mosquitto, mosquitto-clients)");
    }

    // Status online and identity retained, every measurement once and in order, "offline" at a
    // stop; the password in no line the logger wrote, and the side file holding it owner-only.
    void publishesEveryMeasurement() {
        Broker broker;
        QVERIFY(broker.start());
        Subscriber subscriber(broker);
        LoggerRun logger;
        QVERIFY(logger.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.sequences().size() >= 30, 20000);
        QVERIFY(logger.stop());
        // Said at a stop, with its time; the last will has none.
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.saw("/status", "\"state\":\"offline\",\"time\""), 5000);
        QVERIFY(subscriber.saw("corvantelis/north/box1/status", "\"state\":\"online\""));
        QString why;
        QVERIFY2(everyOneInOrder(subscriber.sequences(), logger.recordedLines(), &why),
                 qPrintable(why));
        const QString output = logger.output();
        QVERIFY2(output.contains("MQTT broker mqtt://127.0.0.1:"), qPrintable(output));
        QVERIFY(!output.contains(kPassword));
        QCOMPARE(QFile::permissions(logger.dir.filePath("settings/Corvantelis v.1.03.ini")) &
                     (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());

        // What a subscriber that comes later is given: the retained status and identities.
        QProcess later;
        later.start(tool("mosquitto_sub"),
                    {"-h", "127.0.0.1", "-p", QString::number(broker.port()), "-u", "ops", "-P",
                     kPassword, "-t", "corvantelis/#", "-v", "--retained-only", "-W", "2"});
        later.waitForFinished(10000);
        const QByteArray retained = later.readAllStandardOutput();
        QVERIFY(retained.contains("corvantelis/north/box1/status {\"state\":\"offline\""));
        QVERIFY2(retained.contains("/identity {\"longAddress\":") &&
                     retained.contains("\"tag\":\"TT-202\""),
                 retained.constData());
        QVERIFY(!retained.contains("/measurement"));
    }

    // A wrong password: refused, said with the broker's reason, the password in no line; the
    // measurements wait and recording goes on.
    void wrongPasswordSaid() {
        Broker broker;
        QVERIFY(broker.start());
        LoggerRun logger;
        logger.password = QStringLiteral("not-the-Brindle-password");
        QVERIFY(logger.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(logger.says("not reached: refused by the broker"), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(logger.recordedLines() >= 5, 15000);
        QTest::qWait(2500); // two tries more, a second apart
        QVERIFY(logger.stop());
        QVERIFY2(logger.says("measurements wait in the journal"), qPrintable(logger.output()));
        QVERIFY(!logger.output().contains(logger.password));
        QCOMPARE(logger.output().count("not reached"), 1); // once, not at every try
    }

    // The broker gone for a while and back: what was measured meanwhile waited in the journal
    // and arrives, none missing; recording went on all along.
    void brokerGoneAndBack() {
        Broker broker;
        QVERIFY(broker.start());
        Subscriber subscriber(broker);
        LoggerRun logger;
        QVERIFY(logger.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.sequences().size() >= 10, 20000);
        broker.stop();
        QTRY_VERIFY_WITH_TIMEOUT(logger.says("not reached"), 10000);
        const int before = logger.recordedLines();
        QTest::qWait(4000);
        QVERIFY(logger.recordedLines() > before + 10); // recorded while the broker was gone
        QVERIFY(broker.start());
        QTRY_VERIFY_WITH_TIMEOUT(logger.says("were waiting in the journal"), 10000);
        QTest::qWait(2000);
        QVERIFY(logger.stop());
        // The stop's "offline", not the last will the broker sent for the connection it lost.
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.saw("/status", "\"state\":\"offline\",\"time\""),
                                 10000);
        QString why;
        QVERIFY2(everyOneInOrder(subscriber.sequences(), logger.recordedLines(), &why),
                 qPrintable(why + QLatin1Char('\n') + logger.output()));
    }

    // A logger stopped while the broker could not be reached keeps what it measured in its
    // journal; started again once the broker is there, it sends that first, the sequence going on.
    void journalResumedAfterARestart() {
        Broker broker; // not started yet
        LoggerRun first;
        QVERIFY(first.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(first.recordedLines() >= 10, 20000);
        QVERIFY(first.stop());
        QVERIFY2(first.says("measurements wait in the journal"), qPrintable(first.output()));
        const int before = first.recordedLines();

        QVERIFY(broker.start());
        Subscriber subscriber(broker);
        LoggerRun second;
        second.dir.remove();
        QVERIFY(QDir().rename(first.dir.path(), second.dir.path()));
        QVERIFY(second.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.sequences().size() >= before + 10, 20000);
        QVERIFY(second.stop());
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.saw("/status", "\"state\":\"offline\",\"time\""),
                                 10000);
        QVERIFY2(second.says(QStringLiteral("reached; %1 measurements were waiting").arg(before)),
                 qPrintable(second.output()));
        QString why;
        QVERIFY2(everyOneInOrder(subscriber.sequences(), second.recordedLines(), &why),
                 qPrintable(why));
    }

    // Behind a gateway, each instrument under its own long address, with its number in the list.
    void instrumentsBehindAGateway() {
        Broker broker;
        QVERIFY(broker.start());
        Subscriber subscriber(broker);
        LoggerRun logger;
        QVERIFY(logger.start(broker, {}, {"--gateway", "5"}));
        QTRY_VERIFY_WITH_TIMEOUT(
            subscriber.saw("/instrument/26300B0003/measurement", "\"index\":3,"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.saw("/instrument/26300B0003/identity",
                                                "\"longTag\":\"Wireless transmitter 3\""),
                                 10000);
        QVERIFY(logger.stop());
    }

    // Killed: the broker says "offline" for it, as its last will.
    void lastWillWhenKilled() {
        Broker broker;
        QVERIFY(broker.start());
        Subscriber subscriber(broker);
        LoggerRun logger;
        QVERIFY(logger.start(broker));
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.saw("/status", "\"state\":\"online\""), 20000);
        logger.logger.kill();
        logger.logger.waitForFinished(5000);
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.saw("/status", "{\"state\":\"offline\",\"version\""),
                                 10000);
    }

    // mqtts:// with a certificate authority made here: published over TLS, the broker's
    // certificate checked against it; another authority is refused, and said so.
    void overTls() {
        QTemporaryDir ca;
        const QString openssl = tool("openssl");
        if (openssl.isEmpty())
            QSKIP("openssl is not installed");
        const auto path = [&ca](const char* name) { return ca.filePath(QLatin1String(name)); };
        QVERIFY(run(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                              "-subj", "/CN=Corvantelis test CA", "-keyout", path("ca.key"), "-out",
                              path("ca.pem")}));
        QVERIFY(run(openssl, {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1",
                              "-keyout", path("server.key"), "-out", path("server.csr")}));
        QFile extensions(path("san.ext"));
        QVERIFY(extensions.open(QIODevice::WriteOnly));
        extensions.write("subjectAltName=IP:127.0.0.1\n");
        extensions.close();
        QVERIFY(run(openssl, {"x509", "-req", "-in", path("server.csr"), "-CA", path("ca.pem"),
                              "-CAkey", path("ca.key"), "-CAcreateserial", "-days", "2", "-extfile",
                              path("san.ext"), "-out", path("server.pem")}));
        QVERIFY(run(openssl,
                    {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                     "/CN=Another CA", "-keyout", path("other.key"), "-out", path("other.pem")}));

        Broker broker(ca.path());
        QVERIFY(broker.start());
        Subscriber subscriber(broker, {"--cafile", path("ca.pem")});
        LoggerRun logger;
        QVERIFY(logger.start(broker, {"--mqtt-ca", path("ca.pem")}));
        QTRY_VERIFY_WITH_TIMEOUT(subscriber.sequences().size() >= 5, 20000);
        QVERIFY(logger.says("MQTT broker mqtts://127.0.0.1:"));
        QVERIFY(logger.stop());

        LoggerRun refused;
        QVERIFY(refused.start(broker, {"--mqtt-ca", path("other.pem")}));
        QTRY_VERIFY_WITH_TIMEOUT(refused.says("not reached"), 15000);
        QVERIFY(!refused.says("reached; "));
        QVERIFY(refused.stop());
    }
};

QTEST_GUILESS_MAIN(MqttBrokerTest)
#include "tst_mqtt_broker.moc"
