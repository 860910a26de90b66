#pragma once

#include <QString>

namespace app {

// Creates one folder level. On failure `reason` gets the system's own explanation (for example
// "Permission denied" or "Not a directory"), which QDir::mkdir does not give.
bool makeFolder(const QString& path, QString* reason = nullptr);

// Creates the folder and every missing folder above it. On failure `reason` names the level that
// could not be made and why.
bool makeFolderPath(const QString& path, QString* reason = nullptr);

} // namespace app
