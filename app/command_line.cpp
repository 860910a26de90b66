#include "app/command_line.h"

namespace app {

namespace {

// Options QApplication takes for itself: those with a value, then those without.
const QStringList kToolkitOptionsWithValue = {"-platform",        "-platformpluginpath",
                                              "-platformtheme",   "-plugin",
                                              "-qwindowgeometry", "-geometry",
                                              "-qwindowtitle",    "-title",
                                              "-qwindowicon",     "-icon",
                                              "-display",         "-name",
                                              "-session",         "-style",
                                              "-stylesheet",      "-qmljsdebugger"};
const QStringList kToolkitFlags = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};

QString helpText(const QString& program) {
    return QStringLiteral(
               "Usage: %1 [--port DEVICE] [--record]\n"
               "A monitor for HART field instruments: polls addresses 0 to 15 of the loop behind "
               "a HART modem.\n\n"
               "  --port DEVICE  open DEVICE (for example /dev/ttyUSB0) at start-up instead of "
               "port 1\n"
               "  --record       record the measurements of this run into the results folders\n"
               "  -h, --help     show this help and exit\n"
               "  -v, --version  show the version and exit")
        .arg(program);
}

CommandLine complaint(const QString& program, const QString& what) {
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.text = QStringLiteral("%1: %2 (try --help)").arg(program, what);
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    const QString program = QStringLiteral("corvantelis");
    CommandLine line;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            line.action = CommandLine::Action::Help;
            line.text = helpText(program);
            return line;
        }
        if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
            line.action = CommandLine::Action::Version;
            line.text = program + QStringLiteral(" 1.03");
            return line;
        }
        if (argument == QLatin1String("--port")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return complaint(program, QStringLiteral("--port needs a device"));
            line.portDevice = arguments[++i];
        } else if (argument.startsWith(QLatin1String("--port="))) {
            line.portDevice = argument.mid(7);
            if (line.portDevice.isEmpty())
                return complaint(program, QStringLiteral("--port needs a device"));
        } else if (argument == QLatin1String("--record")) {
            line.record = true;
        } else if (kToolkitOptionsWithValue.contains(argument)) {
            ++i; // the toolkit's, with its value
        } else if (!kToolkitFlags.contains(argument)) {
            return complaint(program, QStringLiteral("unknown option '%1'").arg(argument));
        }
    }
    return line;
}

} // namespace app
