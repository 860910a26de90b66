#include "app/folder_maker.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace app {

bool makeFolderPath(const QString& path, QString* reason) {
    const QString target = QDir::cleanPath(path);
    if (QFileInfo(target).isDir())
        return true;
    // Walk up to the first level that exists, then create the missing levels top-down so that
    // the reason belongs to the level that really failed.
    QStringList missing;
    QString level = target;
    while (!QFileInfo::exists(level)) {
        missing.prepend(level);
        const QString parent = QFileInfo(level).path();
        if (parent == level)
            break;
        level = parent;
    }
    if (missing.isEmpty())
        missing.append(target); // a file of that name: let the system say so
    for (const QString& folder : missing) {
        QString why;
        if (makeFolder(folder, &why))
            continue;
        if (reason)
            *reason = folder == target
                          ? why
                          : QDir::toNativeSeparators(folder) + QStringLiteral(": ") + why;
        return false;
    }
    return true;
}

} // namespace app
