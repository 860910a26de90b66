#pragma once

#include "open_failure.h"

#include <QString>

namespace serial {

// What the port panel says about the port beside the lamp.
struct PortStatus {
    enum class State { Closed, Open, Failed, Lost };
    State state = State::Closed;
    QString devicePath;                       // the device tried or in use
    OpenFailure failure = OpenFailure::Other; // with Failed
    QString systemText;                       // with Failed: the system's own words
    QString missingRemembered;                // a remembered device absent at start-up
};

} // namespace serial
