#pragma once

#include "sim/instrument_config.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace sim {

struct ConfigResult {
    bool ok = false;
    LoopConfig loop;
    std::optional<OtherMasterConfig> otherMaster;
    // On failure: the key and the problem, "instruments[1].address: must be 0 to 15".
    QString error;
};

// The loop described by a JSON document (format in sim/README.md). Unknown keys are errors.
ConfigResult parseConfig(const QByteArray& json);

// Reads and parses `path`; read errors name the file.
ConfigResult loadConfigFile(const QString& path);

} // namespace sim
