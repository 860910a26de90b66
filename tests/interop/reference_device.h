#pragma once

// FieldComm Group's HART-IP reference server and flow device, built in the build folder from the
// kit beside the project, started and stopped on a loopback port of its own. The pair talk
// through a machine-wide message queue, so each start runs in an IPC namespace of its own where
// the system allows one.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class ReferenceDevice {
public:
    // Where the kit is, and whether its build is there (made by the build step before the tests).
    static QString kit() { return QStringLiteral(HIP_KIT); }
    static QString work() { return QStringLiteral(HIP_WORK); }
    static bool built() {
        return QFileInfo::exists(work() + "/hipserver/hipserver/Server/hipserver") &&
               QFileInfo::exists(work() + "/hipflowapp/hipflowapp/Hip_Native/hipflowapp");
    }

    ReferenceDevice() {
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, 0))
            m_port = probe.serverPort();
    }
    ~ReferenceDevice() {
        if (m_started)
            stop();
    }
    ReferenceDevice(const ReferenceDevice&) = delete;
    ReferenceDevice& operator=(const ReferenceDevice&) = delete;

    quint16 port() const { return m_port; }

    // Factory-fresh; `probed`: with one version-1 session, which locks it to version 1.
    bool start(bool probed = true) {
        QStringList arguments{kit() + "/start_hip.sh", "--port", QString::number(m_port)};
        if (!probed)
            arguments << "--no-probe";
        m_started = run(isolated() + arguments, 60000);
        return m_started;
    }
    bool stop() {
        m_started = false;
        return run({kit() + "/stop_hip.sh", "--port", QString::number(m_port)}, 40000);
    }
    // Writes `hexKey` as the device's key through the first version-2 session (command 542).
    bool provision(const QString& hexKey) {
        return run(
            {kit() + "/hipv2psk.py", "--port", QString::number(m_port), "--provision", hexKey},
            30000);
    }
    const QString& output() const { return m_output; }

private:
    // unshare --ipc in a user namespace, when this machine lets a user make one.
    static QStringList isolated() {
        static const bool can =
            QProcess::execute("unshare", {"--user", "--map-root-user", "--ipc", "true"}) == 0;
        return can ? QStringList{"unshare", "--user", "--map-root-user", "--ipc"} : QStringList{};
    }

    bool run(QStringList arguments, int timeoutMs) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HIP_WORK", work());
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QString program = arguments.takeFirst();
        process.start(program, arguments);
        const bool finished = process.waitForFinished(timeoutMs);
        m_output = QString::fromUtf8(process.readAll());
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    quint16 m_port = 0;
    bool m_started = false;
    QString m_output;
};
