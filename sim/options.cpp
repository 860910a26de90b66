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
        if (arg == QLatin1String("--gateway")) {
            bool ok = false;
            const int count = i + 1 < arguments.size() ? arguments.at(i + 1).toInt(&ok) : 0;
            if (!ok || count < 1 || count > 250) {
                result.error = arg + QStringLiteral(" needs a number of instruments 1 to 250");
                return result;
            }
            o.gateway = count;
            ++i;
            continue;
        }
        if (arg == QLatin1String("--config"))
            target = &o.configFile;
        else if (arg == QLatin1String("--loop"))
            target = &o.loopName;
        else if (arg == QLatin1String("--link"))
            target = &o.linkPath;
        else if (arg == QLatin1String("--port"))
            target = &o.portDevice;
        else if (arg == QLatin1String("--log"))
            target = &o.logFile;
        else if (arg == QLatin1String("--hartip-faults"))
            target = &o.hartIpFaultList;
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
    if (!o.loopName.isEmpty() && o.loopName != QLatin1String("multidrop") &&
        o.loopName != QLatin1String("point-to-point")) {
        result.error = QStringLiteral("--loop: not a loop: ") + o.loopName +
                       QStringLiteral(" (multidrop or point-to-point)");
        return result;
    }
    if (!o.loopName.isEmpty() && !o.configFile.isEmpty()) {
        result.error = QStringLiteral("--loop and --config: give one or the other");
        return result;
    }
    if (o.gateway > 0 && o.hartIpPort == 0) {
        result.error = QStringLiteral("--gateway serves over HART-IP: give --hartip PORT too");
        return result;
    }
    for (const QString& item : o.hartIpFaultList.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = item.section(QLatin1Char('='), 0, 0);
        bool ok = false;
        const int value = item.section(QLatin1Char('='), 1).toInt(&ok);
        int* field = name == QLatin1String("late")             ? &o.hartIpFaults.lateMs
                     : name == QLatin1String("wrong-sequence") ? &o.hartIpFaults.wrongSequenceEvery
                     : name == QLatin1String("malformed")      ? &o.hartIpFaults.malformedEvery
                     : name == QLatin1String("drop")           ? &o.hartIpFaults.dropEvery
                                                               : nullptr;
        if (!field || !ok || value < 1 || value > 1000000) {
            result.error = QStringLiteral("--hartip-faults: not a fault: ") + item;
            return result;
        }
        *field = value;
    }
    if (!o.hartIpFaultList.isEmpty() && o.hartIpPort == 0) {
        result.error = QStringLiteral("--hartip-faults needs --hartip");
        return result;
    }
    result.ok = true;
    return result;
}

QString usageText() {
    return QStringLiteral(
        "usage: hart-loop-sim [--config FILE | --loop NAME] [--link PATH] [--port DEVICE] [--log "
        "FILE] "
        "[--hartip PORT [--hartip-faults LIST] [--gateway N]] [--fast]\n"
        "  --config FILE   the instruments, as JSON (default: a multidrop loop of three)\n"
        "  --loop NAME     a loop of its own: multidrop (the default) or point-to-point\n"
        "  --link PATH     make PATH a symbolic link to the served device\n"
        "  --port DEVICE   serve a serial device at 1200 8O1 instead of a pseudo-terminal\n"
        "  --log FILE      write every request and answer to FILE\n"
        "  --hartip PORT   also serve the loop over HART-IP on 127.0.0.1:PORT, TCP and UDP\n"
        "  --hartip-faults LIST  misbehave over HART-IP: late=MS, wrong-sequence=N,\n"
        "                  malformed=N, drop=N (every Nth answer or request), comma-separated\n"
        "  --gateway N     over HART-IP, an I/O system with N instruments behind it (1 to 250)\n"
        "                  at polling address 0, instead of the loop\n"
        "  --fast          answer at once, without line pacing\n"
        "  -h, --help      show this help and exit\n"
        "  -v, --version   show the version and exit\n");
}

} // namespace sim
