#pragma once

#include <QString>
#include <QStringList>

namespace sim {

// Misbehaviour over HART-IP on purpose, counted over token-passing PDUs (0: never), so a
// master's handling of it can be tried.
struct HartIpFaults {
    int lateMs = 0;             // every answer goes out this much later
    int wrongSequenceEvery = 0; // every Nth answer carries another sequence number
    int malformedEvery = 0;     // every Nth answer has a header no message can have
    int dropEvery = 0;          // every Nth request ends the session without a word
};

struct Options {
    QString configFile;
    QString loopName; // --loop: "multidrop" (also when empty) or "point-to-point"
    QString linkPath;
    QString portDevice;
    QString logFile;
    int hartIpPort = 0; // 0: no HART-IP server
    int gateway = 0;    // --gateway N: an I/O system with N instruments over HART-IP; 0: none
    // --hartip-faults late=MS,wrong-sequence=N,malformed=N,drop=N (any of them).
    QString hartIpFaultList;
    HartIpFaults hartIpFaults;
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
// [--config FILE | --loop NAME] [--link PATH] [--port DEVICE] [--log FILE] [--hartip PORT] [--fast]
// [--help]
// [--version]
OptionsResult parseOptions(const QStringList& arguments);

QString usageText();

} // namespace sim
