#pragma once

#include <QString>

namespace app {

// The separator appended to folder paths: "\" on Windows, "/" elsewhere.
QString pathSeparator();

// The folder below which the settings folder sits when ProgramFiles says nothing: the root of
// the current drive on Windows (empty), $XDG_DATA_HOME or ~/.local/share elsewhere.
QString fallbackSettingsBase();

// Settings_Dir: "$ProgramFiles/Corvantelis v.1.03/" when ProgramFiles is set (leading blanks
// removed); otherwise on Windows the root of the current drive, elsewhere
// "$XDG_DATA_HOME/Corvantelis v.1.03/" (XDG_DATA_HOME defaulting to ~/.local/share).
// Always ends with the separator.
QString settingsDirFromEnvironment();

// "Corvantelis v.1.03.eng".
QString settingsFileName();

// True when a folder or file of that name exists.
bool Path_Exists(const QString& path);

} // namespace app
