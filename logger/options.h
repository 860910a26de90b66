#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace logger {

// What corvantelis-logger was asked to do.
struct Options {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString text; // help, version or the complaint, one line each but the help
    // Folders and device paths made absolute against the folder the logger started in.
    QString settingsDir; // empty: the settings folder the window uses
    QString resultsDir;  // empty: the results folder the settings file names
    QString port;        // empty: the device remembered in the side file
    // At most one line per instrument this often; unset: the side file's.
    std::optional<qint64> recordIntervalMs;
    // --master primary|secondary: true for secondary; unset: the side file's.
    std::optional<bool> secondaryMaster;
    // --capture FILE: every frame on the line into this pcapng file; empty: none.
    QString captureFile;
    // --listen: send nothing, learn the loop from what others say on it.
    bool listen = false;
    // --mqtt URL and the TLS files; empty: the side file's [mqtt].
    QString mqttUrl;
    QString mqttCaFile;
    QString mqttCertFile;
    QString mqttKeyFile;
};

// `arguments` as main() has them, the program's name first. "--name VALUE" and "--name=VALUE".
Options parseOptions(const QStringList& arguments);

} // namespace logger
