#pragma once

#include <QString>

namespace record {

// Asks the system to put a file's data, or a folder's entries, on the disk itself rather than
// only in its cache. False, with the reason, when it could not.
bool syncFileToDisk(const QString& path, QString* error);
bool syncFolderToDisk(const QString& path, QString* error);

} // namespace record
