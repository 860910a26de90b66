#pragma once

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

// hart-loop-sim --fast serving its default loop, with port 1 of the program pointed at it.
class SimulatedLoop {
public:
    // Empty when the simulator did not come up as it promises on its first line, serving
    // `instruments` instruments (the default loop's three unless a configuration says otherwise).
    QString start(const QStringList& extraArguments = {}, int instruments = 3) {
        m_sim.start(QStringLiteral(HART_LOOP_SIM),
                    QStringList{"--fast", "--link", m_dir.filePath("loop")} + extraArguments);
        if (!m_sim.waitForStarted() || !m_sim.waitForReadyRead(5000))
            return {};
        const QString banner = QString::fromUtf8(m_sim.readLine()).trimmed();
        if (!banner.startsWith(QStringLiteral("hart-loop-sim: serving %1 instruments on /dev/pts/")
                                   .arg(instruments)))
            return {};
        qputenv("CORVANTELIS_COM1", m_dir.filePath("loop").toLocal8Bit());
        return banner;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    // True when the simulator ended cleanly on SIGTERM.
    bool stop() {
        m_sim.terminate();
        return m_sim.waitForFinished(5000) && m_sim.exitCode() == 0;
    }
    // Gone at once, as a modem pulled out: its end of the line closes, its link stays behind.
    void kill() {
        m_sim.kill();
        m_sim.waitForFinished(5000);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_sim;
};

// Whether a CSV time (ISO 8601 with milliseconds) is when an answer read at `readAt` may have
// come: not after the read, and within the longest answer wait before it.
inline bool cameBeforeRead(const QByteArray& csvTime, const QDateTime& readAt) {
    const QDateTime came = QDateTime::fromString(QString::fromLatin1(csvTime), Qt::ISODateWithMs);
    return came.isValid() && came <= readAt && came.msecsTo(readAt) < 2000;
}
