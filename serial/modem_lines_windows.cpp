#include "modem_lines.h"

#include <windows.h>

namespace serial {

long setModemLine(qintptr handle, ModemLine line, bool on) {
    DWORD function = 0;
    if (line == ModemLine::Dtr)
        function = on ? SETDTR : CLRDTR;
    else
        function = on ? SETRTS : CLRRTS;
    if (!EscapeCommFunction(reinterpret_cast<HANDLE>(handle), function))
        return static_cast<long>(GetLastError());
    return 0;
}

bool isUnsupportedRequest(long code) {
    return code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED;
}

std::optional<bool> transmitterEmpty(qintptr handle) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(reinterpret_cast<HANDLE>(handle), &errors, &status))
        return std::nullopt;
    return status.cbOutQue == 0;
}

void drainOutput(qintptr handle) {
    FlushFileBuffers(reinterpret_cast<HANDLE>(handle));
}

bool lineHungUp(qintptr) {
    // Windows reports a removed device as a resource error of its own; there is no hang-up.
    return false;
}

} // namespace serial
