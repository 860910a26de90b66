#include "logger/options.h"

#include "app/option_reader.h"

namespace logger {

namespace {

const char* const kHelp =
    "Usage: corvantelis-logger [--port DEVICE] [--settings-dir DIR] [--results-dir DIR]\n"
    "                          [--record-interval SECONDS] [--master primary|secondary]\n"
    "                          [--capture FILE] [--listen]\n"
    "                          [--mqtt URL [--mqtt-ca FILE] [--mqtt-cert FILE --mqtt-key FILE]]\n"
    "Polls the HART loop behind a modem as the Corvantelis window does, without a display, and\n"
    "records every measurement into the day's CSV file in the results folders.\n\n"
    "  --port DEVICE      the modem's serial device, e.g. /dev/ttyUSB0 (default: the device\n"
    "                     remembered in the side file); or a HART-IP server:\n"
    "                     hartip://HOST[:PORT], hartip+udp://HOST[:PORT], hartips://HOST[:PORT]\n"
    "  --settings-dir DIR the settings folder (default: the one the window uses)\n"
    "  --results-dir DIR  where the year and month folders go (default: the settings file's)\n"
    "  --record-interval SECONDS\n"
    "                     at most one line per instrument this often (0: every answer;\n"
    "                     default: [recording] intervalMs in the side file, else 0)\n"
    "  --master primary|secondary\n"
    "                     the master this program is on the loop (default: [line] master\n"
    "                     in the side file, else primary)\n"
    "  --capture FILE     every frame on the serial line, heard or sent, into FILE (pcapng,\n"
    "                     made anew) as HART-IP in UDP, for Wireshark\n"
    "  --listen           send nothing: the instruments, their values and the recording come\n"
    "                     from what another master and bursting instruments say on the line\n"
    "  --mqtt URL         also publish every measurement to the MQTT broker at\n"
    "                     mqtt://HOST[:1883] or mqtts://HOST[:8883] (TLS), under\n"
    "                     corvantelis/SITE/CLIENTID/ (default: [mqtt] url in the side file,\n"
    "                     which also holds user, password, site, clientId and maxQueueMB)\n"
    "  --mqtt-ca FILE     TLS: the certificate authority the broker's certificate is checked by\n"
    "                     (default: [mqtt] caFile, else the system's)\n"
    "  --mqtt-cert FILE, --mqtt-key FILE\n"
    "                     TLS: this client's certificate and key, for a broker that asks\n"
    "  -h, --help         show this help and exit\n"
    "  -v, --version      show the version and exit\n\n"
    "It tells on standard output what happens, one line each: the port, instruments found and\n"
    "gone, device status changes, the recording file, write failures. SIGTERM or SIGINT end it\n"
    "once every measurement taken is on the disk.";

} // namespace

Options parseOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption settingsDir(QStringLiteral("settings-dir"), QString(),
                                         QStringLiteral("DIR"));
    const QCommandLineOption resultsDir(QStringLiteral("results-dir"), QString(),
                                        QStringLiteral("DIR"));
    const QCommandLineOption interval(QStringLiteral("record-interval"), QString(),
                                      QStringLiteral("SECONDS"));
    const QCommandLineOption master(QStringLiteral("master"), QString(), QStringLiteral("ROLE"));
    const QCommandLineOption capture(QStringLiteral("capture"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption listen(QStringLiteral("listen"));
    const QCommandLineOption mqtt(QStringLiteral("mqtt"), QString(), QStringLiteral("URL"));
    const QCommandLineOption mqttCa(QStringLiteral("mqtt-ca"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption mqttCert(QStringLiteral("mqtt-cert"), QString(),
                                      QStringLiteral("FILE"));
    const QCommandLineOption mqttKey(QStringLiteral("mqtt-key"), QString(), QStringLiteral("FILE"));
    parser.addOptions({help, version, port, settingsDir, resultsDir, interval, master, capture,
                       listen, mqtt, mqttCa, mqttCert, mqttKey});
    QString problem = app::readOptions(parser, arguments,
                                       {port, settingsDir, resultsDir, interval, master, capture,
                                        mqtt, mqttCa, mqttCert, mqttKey});
    const std::optional<qint64> intervalMs = app::secondsAsMs(parser.value(interval));
    if (problem.isEmpty() && parser.isSet(interval) && !intervalMs)
        problem = QStringLiteral("--record-interval needs a number of seconds");
    const std::optional<bool> secondary = app::secondaryMasterFrom(parser.value(master));
    if (problem.isEmpty() && parser.isSet(master) && !secondary)
        problem = QStringLiteral("--master needs primary or secondary");

    Options options;
    if (parser.isSet(help)) {
        options.action = Options::Action::Help;
        options.text = QString::fromUtf8(kHelp);
    } else if (parser.isSet(version)) {
        options.action = Options::Action::Version;
        options.text = QStringLiteral("corvantelis-logger " CORVANTELIS_VERSION);
    } else if (!problem.isEmpty()) {
        options.action = Options::Action::Error;
        options.text = QStringLiteral("corvantelis-logger: %1 (try --help)").arg(problem);
    } else {
        options.port = app::absoluteDevice(parser.value(port));
        options.settingsDir = app::absolutePath(parser.value(settingsDir));
        options.resultsDir = app::absolutePath(parser.value(resultsDir));
        if (parser.isSet(interval))
            options.recordIntervalMs = intervalMs;
        if (parser.isSet(master))
            options.secondaryMaster = secondary;
        if (parser.isSet(capture))
            options.captureFile = app::absolutePath(parser.value(capture));
        options.listen = parser.isSet(listen);
        options.mqttUrl = parser.value(mqtt);
        options.mqttCaFile = app::absolutePath(parser.value(mqttCa));
        options.mqttCertFile = app::absolutePath(parser.value(mqttCert));
        options.mqttKeyFile = app::absolutePath(parser.value(mqttKey));
    }
    return options;
}

} // namespace logger
