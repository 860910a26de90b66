#pragma once

#include "sim/instrument_config.h"

namespace sim {

// A variable in `units` swinging between `min` and `max` once every `period` seconds, `phase`
// seconds along.
VariableConfig sine(quint8 units, double min, double max, double period, double phase = 0.0);

// The loop served without --config, a multidrop loop where each instrument holds 4 mA: a HART 5
// pressure transmitter at polling address 1, a HART 7 temperature transmitter at 2 and a
// HART 7 flow meter at 5 that sends the loop current and two variables only, both with their
// loop current mode off.
LoopConfig defaultLoop();

// --loop point-to-point: the same flow meter alone on its pair at address 0, its current
// following its flow, except that its output has drifted 0.35 mA high.
LoopConfig pointToPointLoop();

} // namespace sim
