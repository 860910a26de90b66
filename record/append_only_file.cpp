#include "append_only_file.h"

#include <QFile>

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

    const qint64 written = file.write(out);
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

} // namespace record
