#pragma once

#include "sim/line.h"
#include "sim/loop.h"

#include <cstdio>
#include <optional>

namespace sim {

struct ServerSettings {
    bool fast = false;        // answer at once instead of pacing the bytes
    std::FILE* log = nullptr; // one line per request and per answer, or none
    int stopFd = -1;          // readable when a signal asks us to end
    // A master beside the one under test; with it, or with an instrument in burst mode, the
    // line is shared (see serve()).
    std::optional<OtherMasterConfig> otherMaster;
};

// What became of the line.
struct ServeResult {
    bool ok = true;     // false when the line failed
    int collisions = 0; // bytes of the master under test sent into someone else's frame
};

// Serves `loop` on `line` until `stopFd` turns readable. Answers go out after the instrument's
// turnaround (20 ms unless configured), one byte every 11 bit times at 1200 bit/s, unless
// `fast`.
//
// A shared line (another master configured, or an instrument in burst mode): the master under
// test's request is taken to last one character per byte from its first byte, and the
// instrument hears it at its end. The other master and the bursting instruments send when the
// data-link timers let them; a request of the master under test that arrives while the
// simulator is sending is a collision: it is counted and logged, the frame on the line is cut
// off, and the request is lost.
ServeResult serve(Loop& loop, const Line& line, const ServerSettings& settings);

} // namespace sim
