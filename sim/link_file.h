#pragma once

#include <QString>

namespace sim {

// Makes `linkPath` a symbolic link to `target`, replacing an older symbolic link there in one
// step. Anything else at `linkPath` is left alone and reported.
bool makeLink(const QString& target, const QString& linkPath, QString& error);

// Removes `linkPath` when it still points to `target` (another run may have taken it over).
void removeLink(const QString& target, const QString& linkPath);

} // namespace sim
