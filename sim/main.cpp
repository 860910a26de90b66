// hart-loop-sim: HART field instruments on a pseudo-terminal or a serial device.

#include "sim/config_loader.h"
#include "sim/default_loop.h"
#include "sim/hartip_server.h"
#include "sim/line.h"
#include "sim/link_file.h"
#include "sim/loop.h"
#include "sim/options.h"
#include "sim/server.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int g_stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = write(g_stopPipe[1], &byte, 1);
    errno = saved;
}

bool installStopSignals() {
    if (pipe(g_stopPipe) != 0)
        return false;
    for (const int fd : g_stopPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

void complain(const QString& text) {
    std::fprintf(stderr, "hart-loop-sim: %s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const sim::OptionsResult parsed = sim::parseOptions(arguments);
    if (!parsed.ok) {
        complain(parsed.error);
        std::fputs(sim::usageText().toLocal8Bit().constData(), stderr);
        return kExitUsage;
    }
    const sim::Options& options = parsed.options;
    if (options.help) {
        std::fputs(sim::usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("hart-loop-sim " HART_LOOP_SIM_VERSION "\n", stdout);
        return 0;
    }

    sim::LoopConfig config = options.loopName == QLatin1String("point-to-point")
                                 ? sim::pointToPointLoop()
                                 : sim::defaultLoop();
    std::optional<sim::OtherMasterConfig> otherMaster;
    if (!options.configFile.isEmpty()) {
        sim::ConfigResult loaded = sim::loadConfigFile(options.configFile);
        if (!loaded.ok) {
            complain(loaded.error);
            return kExitUsage;
        }
        config = std::move(loaded.loop);
        otherMaster = loaded.otherMaster;
    }
    const bool shared = otherMaster || std::any_of(config.begin(), config.end(),
                                                   [](const sim::InstrumentConfig& c) {
                                                       return c.burst.has_value();
                                                   });
    // The HART-IP server answers from a loop of its own with the same instruments, on a thread
    // of its own beside the line's.
    std::optional<sim::Loop> networkLoop;
    if (options.hartIpPort != 0)
        networkLoop.emplace(config);
    sim::Loop loop(std::move(config));

    // Signals are caught from here on, so no exit path leaves the link behind.
    if (!installStopSignals()) {
        complain(QStringLiteral("cannot catch signals"));
        return kExitFailure;
    }

    std::FILE* log = nullptr;
    if (!options.logFile.isEmpty()) {
        log = std::fopen(QFile::encodeName(options.logFile).constData(), "w");
        if (!log) {
            complain(options.logFile + QStringLiteral(": cannot write"));
            return kExitFailure;
        }
    }

    sim::Line line;
    QString error;
    const bool opened = options.portDevice.isEmpty()
                            ? sim::openPseudoTerminal(line, error)
                            : sim::openSerialDevice(options.portDevice, line, error);
    if (!opened) {
        complain(error);
        if (log)
            std::fclose(log);
        return kExitFailure;
    }
    if (!options.linkPath.isEmpty() && !sim::makeLink(line.devicePath, options.linkPath, error)) {
        complain(error);
        sim::closeLine(line);
        if (log)
            std::fclose(log);
        return kExitFailure;
    }

    sim::HartIpServer network;
    network.setFaults(options.hartIpFaults);
    network.setGateway(options.gateway);
    if (networkLoop && !network.open(quint16(options.hartIpPort), error)) {
        complain(QStringLiteral("HART-IP port %1: ").arg(options.hartIpPort) + error);
        if (!options.linkPath.isEmpty())
            sim::removeLink(line.devicePath, options.linkPath);
        sim::closeLine(line);
        if (log)
            std::fclose(log);
        return kExitFailure;
    }
    std::printf("hart-loop-sim: serving %d instruments on %s\n", loop.instrumentCount(),
                line.devicePath.toLocal8Bit().constData());
    if (networkLoop)
        std::printf("hart-loop-sim: and over HART-IP on 127.0.0.1:%d, TCP and UDP%s\n",
                    options.hartIpPort,
                    options.gateway > 0
                        ? qPrintable(QStringLiteral(", a gateway with %1 instruments behind it")
                                         .arg(options.gateway))
                        : "");
    std::fflush(stdout);
    std::atomic<bool> stopNetwork{false};
    std::thread networkThread;
    if (networkLoop)
        networkThread =
            std::thread([&] { network.run(*networkLoop, log, g_stopPipe[0], stopNetwork); });

    sim::ServerSettings settings;
    settings.fast = options.fast;
    settings.log = log;
    settings.stopFd = g_stopPipe[0];
    settings.otherMaster = otherMaster;
    const sim::ServeResult result = sim::serve(loop, line, settings);
    const bool served = result.ok;
    if (shared) {
        std::printf("hart-loop-sim: %d collisions\n", result.collisions);
        std::fflush(stdout);
    }
    stopNetwork = true;
    if (networkThread.joinable())
        networkThread.join();
    if (!served)
        complain(line.devicePath + QStringLiteral(": the line failed"));

    if (!options.linkPath.isEmpty())
        sim::removeLink(line.devicePath, options.linkPath);
    sim::closeLine(line);
    if (log)
        std::fclose(log);
    return served ? 0 : kExitFailure;
}
