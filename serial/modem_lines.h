#pragma once

#include <QtGlobal>

#include <optional>

namespace serial {

// The platform's modem-line requests on an open port's handle. Codes are errno on POSIX and
// GetLastError() on Windows; 0 means success.

enum class ModemLine { Dtr, Rts };

long setModemLine(qintptr handle, ModemLine line, bool on);

// Whether a code says the device cannot do the request at all (pseudo-terminals, adapters
// without the line), as opposed to a request that went wrong.
bool isUnsupportedRequest(long code);

// Whether every byte handed to the driver has left the transmitter; nullopt when the device
// cannot tell.
std::optional<bool> transmitterEmpty(qintptr handle);

// Waits until the driver reports its output sent. Some USB adapters report that early.
void drainOutput(qintptr handle);

// Whether the line behind an open handle has hung up: the device was unplugged or the far end
// of a pseudo-terminal closed. Reads then end at once with nothing and writes fail.
bool lineHungUp(qintptr handle);

} // namespace serial
