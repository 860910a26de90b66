#pragma once

#include <QString>

#include <cstdio>

namespace logger {

// Writes `line` and a line end to `to` and flushes it, so a service's log has each line as it
// happens. The text must arrive whole in either language: Windows' 8-bit code pages have no
// Cyrillic to spare, so there a console gets the text as UTF-16 and a pipe or file as UTF-8.
void writeLine(std::FILE* to, const QString& line);

} // namespace logger
