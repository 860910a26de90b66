#include "app/command_line.h"
#include "app/option_reader.h"

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
               "Usage: %1 [--port DEVICE] [--record] [--record-interval SECONDS]\n"
               "       [--master primary|secondary] [--capture FILE] [--listen]\n"
               "A monitor for HART field instruments: polls addresses 0 to 15 of the loop behind "
               "a HART modem.\n\n"
               "  --port DEVICE  open DEVICE (for example /dev/ttyUSB0) at start-up instead of "
               "port 1;\n"
               "                 or a HART-IP server: hartip://HOST[:PORT], "
               "hartip+udp://HOST[:PORT],\n"
               "                 hartips://HOST[:PORT] (version 2 inside TLS)\n"
               "  --record       record the measurements of this run into the results folders\n"
               "  --record-interval SECONDS\n"
               "                 at most one line per instrument this often (0: every answer)\n"
               "  --master primary|secondary\n"
               "                 the master this program is on the loop (default: the one chosen\n"
               "                 in the window, else primary)\n"
               "  --capture FILE every frame on the serial line, heard or sent, into FILE\n"
               "                 (pcapng, made anew) as HART-IP in UDP, for Wireshark\n"
               "  --listen       send nothing: the board, the views and the recording learn the "
               "loop\n"
               "                 from what another master and bursting instruments say on it\n"
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
    QCommandLineParser parser;
    // "-platform", "-style=Fusion": Qt's own options take one dash before a word.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption record(QStringLiteral("record"));
    const QCommandLineOption interval(QStringLiteral("record-interval"), QString(),
                                      QStringLiteral("SECONDS"));
    const QCommandLineOption master(QStringLiteral("master"), QString(), QStringLiteral("ROLE"));
    const QCommandLineOption capture(QStringLiteral("capture"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption listen(QStringLiteral("listen"));
    parser.addOptions({help, version, port, record, interval, master, capture, listen});
    // QApplication's options, let through for it: it reads them from argv itself.
    for (const QString& name : kToolkitOptionsWithValue)
        parser.addOption(QCommandLineOption(name.mid(1), QString(), QStringLiteral("VALUE")));
    for (const QString& name : kToolkitFlags)
        parser.addOption(QCommandLineOption(name.mid(1)));

    CommandLine line;
    // Of the two options that take a value, the one left without it is said with its own words.
    const bool captureLast = arguments.size() > 1 && arguments.last() == QLatin1String("--capture");
    QString problem =
        captureLast ? readOptions(parser, arguments, {capture}, QStringLiteral("needs a file"))
                    : readOptions(parser, arguments, {port}, QStringLiteral("needs a device"));
    if (problem.isEmpty() && parser.isSet(master)) {
        line.secondaryMaster = secondaryMasterFrom(parser.value(master));
        if (!line.secondaryMaster)
            problem = QStringLiteral("--master needs primary or secondary");
    }
    if (problem.isEmpty() && parser.isSet(interval)) {
        line.recordIntervalMs = secondsAsMs(parser.value(interval));
        if (!line.recordIntervalMs)
            problem = QStringLiteral("--record-interval needs a number of seconds");
    }
    line.portDevice = absoluteDevice(parser.value(port));
    if (parser.isSet(capture))
        line.captureFile = absolutePath(parser.value(capture));
    line.listen = parser.isSet(listen);
    if (parser.isSet(help)) {
        line.action = CommandLine::Action::Help;
        line.text = helpText(program);
    } else if (parser.isSet(version)) {
        line.action = CommandLine::Action::Version;
        line.text = program + QStringLiteral(" " CORVANTELIS_VERSION);
    } else if (!problem.isEmpty()) {
        return complaint(program, problem);
    }
    line.record = parser.isSet(record);
    return line;
}

} // namespace app
