#pragma once

#include <QString>

namespace serial {

// The device behind COM port `number`: the value of CORVANTELIS_COM<number> when that variable
// is set, else "COM<number>" on Windows and "/dev/ttyS<number-1>" elsewhere.
QString portDevicePath(int number);

// The system's own name for numbered port N, without the override: "COM3" on Windows,
// "/dev/ttyS2" elsewhere.
QString numberedPortDevice(int number);

} // namespace serial
