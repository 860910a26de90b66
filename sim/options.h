#pragma once

#include <QString>
#include <QStringList>

namespace sim {

struct Options {
    QString configFile;
    QString linkPath;
    QString portDevice;
    QString logFile;
    int hartIpPort = 0; // 0: no HART-IP server
    bool fast = false;
    bool help = false;
    bool version = false;
};

struct OptionsResult {
    bool ok = false;
    Options options;
    QString error;
};

// The command line without the program name:
// [--config FILE] [--link PATH] [--port DEVICE] [--log FILE] [--hartip PORT] [--fast] [--help]
// [--version]
OptionsResult parseOptions(const QStringList& arguments);

QString usageText();

} // namespace sim
