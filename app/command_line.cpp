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
               "port 1;\n"
               "                 or a HART-IP server: hartip://HOST[:PORT], "
               "hartip+udp://HOST[:PORT],\n"
               "                 hartips://HOST[:PORT] (version 2 inside TLS)\n"
               "  --record       record the measurements of this run into the results folders\n"
               "  -h, --help     show this help and exit\n"
               "  -v, --version  show the version and exit")
        .arg(program);
}

// Control characters as escapes, so that a complaint about an argument stays one line.
QString shown(const QString& argument) {
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// The toolkit's option as its list names it: Qt takes "--style" for "-style" as well.
QString singleDash(const QString& argument) {
    return argument.startsWith(QLatin1String("--")) ? argument.mid(1) : argument;
}

// "-style=Fusion", "--platform=offscreen": a toolkit option with its value joined by '='.
bool isToolkitOptionWithJoinedValue(const QString& argument) {
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    return equals > 0 && kToolkitOptionsWithValue.contains(singleDash(argument.left(equals)));
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
            line.text = program + QStringLiteral(" " CORVANTELIS_VERSION);
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
        } else if (kToolkitOptionsWithValue.contains(singleDash(argument))) {
            ++i; // the toolkit's, with its value
        } else if (!kToolkitFlags.contains(singleDash(argument)) &&
                   !isToolkitOptionWithJoinedValue(argument)) {
            return complaint(program, QStringLiteral("unknown option '%1'").arg(shown(argument)));
        }
    }
    return line;
}

} // namespace app
