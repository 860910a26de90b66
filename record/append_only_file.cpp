#include "append_only_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace record {

namespace {

bool endsWithLineBreak(const QString& path, qint64 size) {
    QFile file(path);
    char last = 0;
    return file.open(QIODevice::ReadOnly) && file.seek(size - 1) && file.getChar(&last) &&
           last == '\n';
}

} // namespace

bool AppendOnlyFile::append(const QString& path, const QByteArray& header, const QByteArray& line,
                            QString* error) {
    QFile file(path);
    const bool existed = file.exists();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    const qint64 before = file.size();
    QByteArray out;
    if (before == 0)
        out = header;
    else if ((path != m_path || before != m_sizeAfterLastLine) && !endsWithLineBreak(path, before))
        out = QByteArrayLiteral("\r\n");
    out += line;

    qint64 written = file.write(out);
    if (written >= 0 && written < out.size() && file.error() == QFile::NoError) {
        // The system took part of the line and Qt does not say why (a disk that filled up
        // mid-line). Asking for the rest makes the system give its reason, or finishes the line.
        const qint64 rest = file.write(out.constData() + written, out.size() - written);
        if (rest > 0)
            written += rest;
    }
    if (written != out.size()) {
        *error = file.error() == QFile::NoError
                     ? QStringLiteral("only part of the line could be written")
                     : file.errorString();
        if (!existed)
            file.remove(); // made just now: nothing of anyone's is in it
        else if (file.size() != before)
            file.resize(before);
        m_sizeAfterLastLine = -1;
        return false;
    }
    m_path = path;
    m_sizeAfterLastLine = before + written;
    m_created = !existed;
    return true;
}

bool canAppendTo(const QString& path, const QString& topFolder) {
    // Room for a few hundred lines at least, so the offer is not made for a disk that will fill
    // up again with the next line.
    constexpr qint64 kRoomNeeded = 64 * 1024;
    const QFileInfo file(path);
    QString existing;
    if (file.exists()) {
        QFile probe(path);
        if (!file.isFile() || !probe.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        existing = file.absolutePath();
    } else {
        // The recorder makes the year and month folders itself: the nearest one that is there
        // decides.
        const QString top = QDir::cleanPath(QFileInfo(topFolder).absoluteFilePath());
        existing = QDir::cleanPath(file.absolutePath());
        while (!QFileInfo::exists(existing)) {
            const QString up = QDir::cleanPath(QFileInfo(existing).absolutePath());
            if (up == existing || existing == top)
                return false;
            existing = up;
        }
        const QFileInfo above(existing);
        if (!above.isDir() || !above.isWritable())
            return false;
    }
    // Where the system does not say how much room there is (a chroot whose mount table names
    // other paths), the offer is made: a disk still full fails the next line and says so again.
    const QStorageInfo disk(existing);
    if (!disk.isValid() || !disk.isReady() || disk.bytesAvailable() < 0)
        return true;
    return disk.bytesAvailable() >= kRoomNeeded;
}

} // namespace record
