#pragma once

#include <functional>

namespace logger {

// Calls `stop` from the event loop, never from inside a signal handler, when the process is
// asked to end (SIGTERM, SIGINT). Once per process.
void onStopRequest(std::function<void()> stop);

} // namespace logger
