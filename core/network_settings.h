#pragma once

#include "net/hartip_session_machine.h"
#include "net/hartip_tls.h"

#include <QString>

namespace app {
class SideSettings;
}

// What the side file says about HART-IP sessions, for every front end alike.
namespace core {

// The answer timeout and the inactivity timer asked for.
net::HartIpSessionMachine::Settings networkSettings(const app::SideSettings& side);

// The pre-shared key kept for `host`. An empty key when none is kept, or when the one kept is
// unusable; then `problem` says why (KeyProblem::None when there simply is none).
net::PreSharedKey networkKey(const app::SideSettings& side, const QString& host,
                             net::KeyProblem* problem = nullptr);

} // namespace core
