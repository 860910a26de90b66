#include "sim/link_file.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

bool makeLink(const QString& target, const QString& linkPath, QString& error) {
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat st {};
    if (lstat(link.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = linkPath + QStringLiteral(": exists and is not a symbolic link");
        return false;
    }
    const QByteArray temporary = link + ".new-" + QByteArray::number(getpid());
    unlink(temporary.constData());
    if (symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0 ||
        std::rename(temporary.constData(), link.constData()) != 0) {
        error = linkPath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        unlink(temporary.constData());
        return false;
    }
    return true;
}

void removeLink(const QString& target, const QString& linkPath) {
    char buffer[4096];
    const QByteArray link = QFile::encodeName(linkPath);
    const ssize_t n = readlink(link.constData(), buffer, sizeof buffer - 1);
    if (n < 0 || QByteArray(buffer, static_cast<int>(n)) != QFile::encodeName(target))
        return;
    unlink(link.constData());
}

} // namespace sim
