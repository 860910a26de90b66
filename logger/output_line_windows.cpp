#include "logger/output_line.h"

#include <io.h>
#include <windows.h>

namespace logger {

void writeLine(std::FILE* to, const QString& line) {
    std::fflush(to);
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(to)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        const QString whole = line + QLatin1Char('\n');
        DWORD written = 0;
        WriteConsoleW(handle, reinterpret_cast<const wchar_t*>(whole.utf16()), DWORD(whole.size()),
                      &written, nullptr);
        return;
    }
    std::fprintf(to, "%s\n", line.toUtf8().constData());
    std::fflush(to);
}

} // namespace logger
