// corvantelis-logger: the loop polled and recorded without a window, for a box beside the modem
// that logs for days. The same session the window holds, with the board kept in memory.

#include "logger/event_reporter.h"
#include "logger/mqtt_output.h"
#include "logger/options.h"
#include "logger/output_line.h"
#include "logger/stop_signals.h"

#include "app/paths.h"
#include "app/result_folders.h"
#include "app/side_settings.h"
#include "app/texts.h"
#include "core/loop_session.h"
#include "core/master_words.h"
#include "core/network_settings.h"
#include "core/network_words.h"
#include "net/hartip_session.h"
#include "protocol/polling_cycle.h"
#include "record/append_only_file.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr int kListenBeforeStartMs = 1000;
// How often a listening logger says how many frames it heard.
constexpr int kFramesHeardIntervalMs = 60000;

void printLine(std::FILE* to, const QString& line) {
    logger::writeLine(to, line);
}

void say(const QString& line) {
    printLine(stdout, line);
}

QString asFolder(const QString& path) {
    return path.endsWith(app::pathSeparator()) ? path : path + app::pathSeparator();
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const logger::Options options = logger::parseOptions(arguments);
    switch (options.action) {
    case logger::Options::Action::Help:
    case logger::Options::Action::Version:
        printLine(stdout, options.text);
        return 0;
    case logger::Options::Action::Error:
        printLine(stderr, options.text);
        return 2;
    case logger::Options::Action::Run:
        break;
    }

    QCoreApplication application(argc, argv);
    const QString settingsDir = options.settingsDir.isEmpty() ? app::settingsDirFromEnvironment()
                                                              : asFolder(options.settingsDir);
    const app::SideSettings side(settingsDir);
    const QString device = options.port.isEmpty() ? side.rememberedDevice() : options.port;
    if (device.isEmpty()) {
        printLine(stderr, QStringLiteral("corvantelis-logger: no device: give --port DEVICE "
                                         "(none is remembered in %1)")
                              .arg(side.filePath()));
        return 2;
    }

    // A network address, checked before anything is started.
    const std::optional<net::HartIpAddress> network = net::parseHartIpDevice(device);
    if (net::looksLikeHartIp(device) && !network) {
        printLine(stderr, app::text(app::Text::LogNotHartIp, qint16(0))
                              .arg(device, core::addressProblemText(device, 0)));
        return 2;
    }

    core::LoopSession::Setup setup;
    setup.settingsDir = settingsDir;
    setup.now = &QDateTime::currentDateTime;
    core::LoopSession* running = nullptr;
    setup.messages = [&running](const QString& text) {
        say(app::text(app::Text::LogPortSays, running ? running->languageFlag() : 0).arg(text));
    };
    core::LoopSession session(setup);
    running = &session;
    const auto words = [&session](app::Text id) { return app::text(id, session.languageFlag()); };

    core::LoopSession::StartOptions start;
    start.device = device;
    // For this run only; the settings file keeps its own. A service's results folder may not
    // be there on its first start: made, with the year and month folders below it.
    start.resultsDir = options.resultsDir.isEmpty() ? QString() : asFolder(options.resultsDir);
    start.makeResultsDir = true;
    start.network = core::networkSettings(side);
    start.networkKey = [&side, &session, &words](const QString& host) {
        net::KeyProblem problem = net::KeyProblem::None;
        net::PreSharedKey key = core::networkKey(side, host, &problem);
        if (problem != net::KeyProblem::None)
            say(words(app::Text::NetworkKeyUnusable)
                    .arg(host, core::keyProblemText(problem, session.languageFlag())));
        return key;
    };
    const protocol::MasterRole role =
        core::masterRoleOf(options.secondaryMaster.value_or(side.secondaryMaster()));
    session.setMasterRole(role);
    session.setListenOnly(options.listen);
    const core::LoopSession::StartReport report = session.open(start);

    const app::SettingsFile::StartupProblems& problems = report.settings;
    for (const QString& problem : {problems.folderError, problems.saveError})
        if (!problem.isEmpty())
            say(words(app::Text::LogSettingsProblem).arg(problem));
    if (!problems.setAsidePath.isEmpty())
        say(words(app::Text::LogSettingsSetAside).arg(problems.setAsidePath));
    if (!report.resultsDirNotMade.isEmpty())
        say(words(app::Text::LogResultsFolderNotMade).arg(report.resultsDirNotMade));
    if (!report.folders.failedFolder.isEmpty())
        say(words(app::Text::LogResultsProblem)
                .arg(report.folders.failedFolder, report.folders.reason));
    say(words(app::Text::LogStarted)
            .arg(QStringLiteral(CORVANTELIS_VERSION), settingsDir,
                 session.settings().record().Results_Dir,
                 options.listen ? words(app::Text::LogListening)
                                : core::masterRoleText(role, session.languageFlag())));
    const auto sayOtherMaster = [&session](protocol::MasterRole heard) {
        say(core::otherMasterText(heard, session.cycle().masterRole(), session.languageFlag(),
                                  session.listenOnly()));
    };
    // Opening the port lets events through: a master heard then is said now.
    for (const protocol::MasterRole heard : session.mastersHeard())
        sayOtherMaster(heard);
    QObject::connect(&session, &core::LoopSession::otherMasterHeard, sayOtherMaster);
    // Listening, nothing is said per frame (the recording and a capture hold them): how many
    // were heard is said once a minute.
    QTimer framesHeard;
    quint64 heardBefore = 0;
    QObject::connect(&framesHeard, &QTimer::timeout, [&] {
        const quint64 heard = session.framesHeard();
        say(words(app::Text::LogFramesHeard).arg(heard).arg(heard - heardBefore));
        heardBefore = heard;
    });
    if (options.listen)
        framesHeard.start(kFramesHeardIntervalMs);
    if (!options.captureFile.isEmpty()) {
        QString reason;
        if (session.startCapture(options.captureFile, &reason))
            say(words(app::Text::CaptureStarted).arg(options.captureFile));
        else
            say(words(app::Text::CaptureNotMade).arg(options.captureFile, reason));
    }
    QObject::connect(&session, &core::LoopSession::captureFailed,
                     [&words](const QString& path, const QString& reason) {
                         say(words(app::Text::CaptureFailed).arg(path, reason));
                     });
    // Every measurement also to an MQTT broker, when one is named; a broker named wrongly stops
    // the start, as a device named wrongly does.
    bool mqttUsable = true;
    logger::MqttOutput mqttOutput(session, options, side, device, &say, &mqttUsable);
    if (!mqttUsable)
        return 2;
    mqttOutput.start();
    // From here on every event of the loop is told, starting with the line as it stands now.
    auto reporter = std::make_unique<logger::EventReporter>(session, &say);

    // A port that could not be opened at start is tried again once a second, as the window
    // does after an unplug; once it was open, the controller itself looks for it when lost.
    // A network session opens again by itself.
    QTimer openAgain;
    openAgain.setInterval(1000);
    QObject::connect(&openAgain, &QTimer::timeout, [&session, &openAgain] {
        if (session.serialPort().isOpen() || session.portController().isReopening()) {
            openAgain.stop();
            return;
        }
        session.portController().Open_Port();
    });
    if (!session.hartIpSession() && !session.serialPort().isOpen())
        openAgain.start();

    // Recording is what the logger is for: after a failure it comes back on by itself as soon
    // as the file can be written again.
    record::Recorder& recorder = session.recorder();
    recorder.setInterval(options.recordIntervalMs.value_or(side.recordIntervalMs()));
    QTimer recordAgain;
    recordAgain.setInterval(5000);
    QObject::connect(&recordAgain, &QTimer::timeout, [&] {
        if (recorder.isEnabled() ||
            record::canAppendTo(recorder.currentFile(), session.settings().record().Results_Dir))
            recorder.setEnabled(true);
    });
    recordAgain.start();
    recorder.setEnabled(true);

    // Polling begins after a second of listening: another master or a bursting instrument on
    // the line is heard before our first request, which then waits its turn.
    // On the network there is no line to share: polling begins at once, its first request
    // going out as soon as the session opens.
    QTimer::singleShot(session.hartIpSession() ? 0 : kListenBeforeStartMs, &session,
                       [&session] { session.start(); });

    logger::onStopRequest([&] {
        reporter.reset(); // the stop clears what is known: not news for the log
        session.stop();
        QCoreApplication::quit();
    });
    const int status = application.exec();
    recorder.waitUntilWritten(); // every measurement taken is on the disk
    mqttOutput.stop();
    if (recorder.droppedLines() > 0)
        say(words(app::Text::LogLinesDropped).arg(recorder.droppedLines()));
    if (const core::LineCapture* capture = session.lineCapture()) {
        const QString path = capture->path();
        const quint64 frames = session.stopCapture(); // every frame heard is in the file
        say(words(app::Text::CaptureEnded).arg(frames).arg(path));
    }
    if (options.listen)
        say(words(app::Text::LogFramesHeard)
                .arg(session.framesHeard())
                .arg(session.framesHeard() - heardBefore));
    say(words(app::Text::LogStopped));
    return status;
}
