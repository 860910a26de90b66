#pragma once

#include <QString>

namespace serial {

// The device behind COM port `number`: the value of CORVANTELIS_COM<number> when that variable
// is set, else "COM<number>" on Windows and "/dev/ttyS<number-1>" elsewhere.
QString portDevicePath(int number);

} // namespace serial
