#include "sim/options.h"

namespace sim {

OptionsResult parseOptions(const QStringList& arguments) {
    OptionsResult result;
    Options& o = result.options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        QString* target = nullptr;
        if (arg == QLatin1String("--hartip")) {
            bool ok = false;
            const int port = i + 1 < arguments.size() ? arguments.at(i + 1).toInt(&ok) : 0;
            if (!ok || port < 1 || port > 65535) {
                result.error = arg + QStringLiteral(" needs a port number 1 to 65535");
                return result;
            }
            if (o.hartIpPort != 0) {
                result.error = arg + QStringLiteral(" given twice");
                return result;
            }
            o.hartIpPort = port;
            ++i;
            continue;
        }
        if (arg == QLatin1String("--config"))
            target = &o.configFile;
        else if (arg == QLatin1String("--link"))
            target = &o.linkPath;
        else if (arg == QLatin1String("--port"))
            target = &o.portDevice;
        else if (arg == QLatin1String("--log"))
            target = &o.logFile;
        if (target) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                result.error = arg + QStringLiteral(" needs a value");
                return result;
            }
            if (!target->isEmpty()) {
                result.error = arg + QStringLiteral(" given twice");
                return result;
            }
            *target = arguments.at(++i);
        } else if (arg == QLatin1String("--fast")) {
            o.fast = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = true;
        } else if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            o.version = true;
        } else {
            result.error = QStringLiteral("unknown argument ") + arg;
            return result;
        }
    }
    result.ok = true;
    return result;
}

QString usageText() {
    return QStringLiteral(
        "usage: hart-loop-sim [--config FILE] [--link PATH] [--port DEVICE] [--log FILE] "
        "[--hartip PORT] [--fast]\n"
        "  --config FILE   the instruments, as JSON (default: a loop of three)\n"
        "  --link PATH     make PATH a symbolic link to the served device\n"
        "  --port DEVICE   serve a serial device at 1200 8O1 instead of a pseudo-terminal\n"
        "  --log FILE      write every request and answer to FILE\n"
        "  --hartip PORT   also serve the loop over HART-IP on 127.0.0.1:PORT, TCP and UDP\n"
        "  --fast          answer at once, without line pacing\n"
        "  -h, --help      show this help and exit\n"
        "  -v, --version   show the version and exit\n");
}

} // namespace sim
