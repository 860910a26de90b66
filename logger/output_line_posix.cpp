#include "logger/output_line.h"

namespace logger {

void writeLine(std::FILE* to, const QString& line) {
    std::fprintf(to, "%s\n", line.toLocal8Bit().constData());
    std::fflush(to);
}

} // namespace logger
