#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the code under test opens the slave by its path, the test plays the
// far end of the line on the master.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    bool writeMaster(const QByteArray& bytes);
    // The far end goes away, as an unplugged modem does: the slave side hangs up.
    void closeMaster();
    // Collects `count` bytes from the master side, or what came within `timeoutMs`.
    QByteArray readMaster(int count, int timeoutMs);

private:
    int m_master = -1;
    QString m_slavePath;
};

// Waits until `fd` (a slave side) holds `count` received bytes; false after `timeoutMs`.
bool waitForInput(int fd, int count, int timeoutMs);
