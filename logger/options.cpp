#include "logger/options.h"

namespace logger {

namespace {

const char* const kHelp =
    "Usage: corvantelis-logger [--port DEVICE] [--settings-dir DIR] [--results-dir DIR]\n"
    "Polls the HART loop behind a modem as the Corvantelis window does, without a display, and\n"
    "records every measurement into the day's CSV file in the results folders.\n\n"
    "  --port DEVICE      the modem's serial device, e.g. /dev/ttyUSB0 (default: the device\n"
    "                     remembered in the side file); or a HART-IP server:\n"
    "                     hartip://HOST[:PORT], hartip+udp://HOST[:PORT], hartips://HOST[:PORT]\n"
    "  --settings-dir DIR the settings folder (default: the one the window uses)\n"
    "  --results-dir DIR  where the year and month folders go (default: the settings file's)\n"
    "  -h, --help         show this help and exit\n"
    "  -v, --version      show the version and exit\n\n"
    "It tells on standard output what happens, one line each: the port, instruments found and\n"
    "gone, device status changes, the recording file, write failures. SIGTERM or SIGINT end it\n"
    "once every measurement taken is on the disk.";

Options complaint(const QString& what) {
    Options options;
    options.action = Options::Action::Error;
    QString shown = what;
    shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    options.text = QStringLiteral("corvantelis-logger: %1 (try --help)").arg(shown);
    return options;
}

} // namespace

Options parseOptions(const QStringList& arguments) {
    Options options;
    struct Valued {
        const char* name;
        QString Options::*field;
    };
    static const Valued kValued[] = {{"--port", &Options::port},
                                     {"--settings-dir", &Options::settingsDir},
                                     {"--results-dir", &Options::resultsDir}};
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            options.action = Options::Action::Help;
            options.text = QString::fromUtf8(kHelp);
            return options;
        }
        if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
            options.action = Options::Action::Version;
            options.text = QStringLiteral("corvantelis-logger " CORVANTELIS_VERSION);
            return options;
        }
        bool known = false;
        for (const Valued& valued : kValued) {
            const QString name = QString::fromLatin1(valued.name);
            QString value;
            if (argument == name) {
                if (i + 1 >= arguments.size())
                    return complaint(name + QStringLiteral(" needs a value"));
                value = arguments[++i];
            } else if (argument.startsWith(name + QLatin1Char('='))) {
                value = argument.mid(name.size() + 1);
            } else {
                continue;
            }
            if (value.isEmpty())
                return complaint(name + QStringLiteral(" needs a value"));
            options.*(valued.field) = value;
            known = true;
            break;
        }
        if (!known)
            return complaint(QStringLiteral("unknown option '%1'").arg(argument));
    }
    return options;
}

} // namespace logger
