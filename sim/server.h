#pragma once

#include "sim/line.h"
#include "sim/loop.h"

#include <cstdio>

namespace sim {

struct ServerSettings {
    bool fast = false;        // answer at once instead of pacing the bytes
    std::FILE* log = nullptr; // one line per request and per answer, or none
    int stopFd = -1;          // readable when a signal asks us to end
};

// Serves `loop` on `line` until `stopFd` turns readable. Answers go out after a turnaround of
// about 20 ms, one byte every 11 bit times at 1200 bit/s, unless `fast`. Returns false when
// the line failed.
bool serve(Loop& loop, const Line& line, const ServerSettings& settings);

} // namespace sim
