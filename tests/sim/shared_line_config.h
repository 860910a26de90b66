#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A shared line for hart-loop-sim: a primary master polling PT-101 at address 1 every
// `otherPeriodMs`, and TT-202 at address 2 bursting `burstCommand` every `burstPeriodMs`.
// Written to `path`; false when it could not be.
inline bool writeSharedLineConfig(const QString& path, int otherPeriodMs, int burstCommand,
                                  int burstPeriodMs) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray json =
        QStringLiteral(
            R"({"otherMaster": {"role": "primary", "address": 1, "periodMs": %1},
            "instruments": [
              {"address": 1, "hartRevision": 5, "manufacturer": 60, "deviceType": 81,
               "deviceId": "102031", "tag": "PT-101", "variables": [{"units": 12, "value": 250}]},
              {"address": 2, "hartRevision": 7, "manufacturer": 164, "deviceType": 62,
               "deviceId": "0B5C7E", "tag": "TT-202",
               "burst": {"command": %2, "periodMs": %3},
               "variables": [{"units": 32, "value": 85}]}]})")
            .arg(otherPeriodMs)
            .arg(burstCommand)
            .arg(burstPeriodMs)
            .toUtf8();
    return file.write(json) == json.size();
}

// A loop a control system polls as primary master the way control systems do, for a master that
// only listens: it finds PT-101 at address 1 and TT-202 at address 2 with command 0, then reads
// their tags (13) and values (3) by their long addresses, one request every 300 ms; TT-202 also
// bursts its PV (command 1) every 700 ms.
inline bool writeListeningLineConfig(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray json = R"({"otherMaster": {"role": "primary", "addresses": [1, 2],
            "commands": [0, 13, 3], "periodMs": 300},
            "instruments": [
              {"address": 1, "hartRevision": 5, "manufacturer": 60, "deviceType": 81,
               "deviceId": "102031", "tag": "PT-101", "variables": [{"units": 12, "value": 250}]},
              {"address": 2, "hartRevision": 7, "manufacturer": 164, "deviceType": 62,
               "deviceId": "0B5C7E", "tag": "TT-202", "burst": {"command": 1, "periodMs": 700},
               "variables": [{"units": 32, "value": 85}]}]})";
    return file.write(json) == json.size();
}
