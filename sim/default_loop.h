#pragma once

#include "sim/instrument_config.h"

namespace sim {

// The loop served without --config: a HART 5 pressure transmitter at polling address 1, a
// HART 7 temperature transmitter at 2 and a HART 7 flow meter at 5 that sends the loop
// current and two variables only.
LoopConfig defaultLoop();

} // namespace sim
