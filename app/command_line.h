#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// What the command line asks for. Read before the window system is started, so --help and
// --version work without a display; the toolkit's own options (-platform, -style, …) are let
// through for it.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString portDevice;  // --port DEVICE: opened at start-up; a relative path made absolute
    bool record = false; // --record: record this run's measurements, whatever is remembered
    // --record-interval SECONDS: at most a line this often per instrument; unset: the side
    // file's.
    std::optional<qint64> recordIntervalMs;
    // --master primary|secondary: true for secondary; unset: the side file's.
    std::optional<bool> secondaryMaster;
    // --capture FILE: every frame on the line into this pcapng file from the start; empty: none.
    QString captureFile;
    bool listen = false; // --listen: send nothing, learn the loop from what others say
    QString text;        // the help, the version line, or the one-line complaint
};

// `arguments` as the program got them, its own name first.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace app
