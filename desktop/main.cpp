#include "app/command_line.h"
#include "app/paths.h"
#include "app/program_identity.h"
#include "app/settings_file.h"
#include "app/side_settings.h"
#include "app/texts.h"
#include "core/loop_session.h"
#include "core/network_settings.h"
#include "core/network_words.h"
#include "desktop/display.h"
#include "net/hartip_session.h"
#include "serial/discovered_port.h"
#include "ui/folder_picker.h"
#include "ui/form1.h"
#include "ui/window_layers.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QSerialPortInfo>

#include <cstdio>

namespace {

void printLine(std::FILE* to, const QString& text) {
    std::fprintf(to, "%s\n", qPrintable(text));
}

void noteOnStandardError(const QString& line) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(app::productWord()), qPrintable(line));
}

// A device path is there when it names a file (Linux) or a port the system lists (Windows).
// A network address is not looked for: the session says whether it answers.
bool deviceIsThere(const QString& device) {
    return net::looksLikeHartIp(device) || QFileInfo::exists(device) ||
           !QSerialPortInfo(device).isNull();
}

ui::Form1Environment programEnvironment(const app::CommandLine& line, app::SideSettings& side) {
    ui::Form1Environment environment;
    environment.showMessage = [](const QString& text) {
        // Messages name folders and files, which may hold '<': shown as text, never markup.
        QMessageBox box(QMessageBox::Information, app::programTitle(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        box.exec();
    };
    environment.note = noteOnStandardError;
    environment.pickFolder = ui::systemFolderPicker();
    environment.network = core::networkSettings(side);
    environment.networkKey = [&side](const QString& host, qint16 languageFlag) {
        net::KeyProblem problem = net::KeyProblem::None;
        net::PreSharedKey key = core::networkKey(side, host, &problem);
        if (problem != net::KeyProblem::None)
            noteOnStandardError(app::text(app::Text::NetworkKeyUnusable, languageFlag)
                                    .arg(host, core::keyProblemText(problem, languageFlag)));
        return key;
    };
    environment.askNetwork = [&side](const QString& last, qint16 languageFlag) {
        return ui::askNetworkAddress(QApplication::activeWindow(), last, languageFlag, side);
    };
    environment.now = &QDateTime::currentDateTime;
    environment.locale = QLocale::system();
    environment.availableScreen = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry() : QRect();
    };

    environment.discoverPorts = [] { return serial::discoverSerialPorts(); };
    const QString remembered = side.rememberedDevice();
    const app::StartupDevice startup = app::chooseStartupDevice(
        line.portDevice, remembered, !remembered.isEmpty() && deviceIsThere(remembered));
    environment.startupDevice = startup.device;
    environment.missingDevice = startup.missing;
    environment.secondaryMaster = line.secondaryMaster.value_or(side.secondaryMaster());
    environment.rememberMaster = [&side](bool secondary) {
        QString error;
        if (!side.setSecondaryMaster(secondary, &error))
            noteOnStandardError(QStringLiteral("the master role is not remembered: ") + error);
    };
    environment.captureFile = line.captureFile;
    environment.listenOnly = line.listen;
    environment.pickCaptureFile = [](const QString& title) {
        return QFileDialog::getSaveFileName(nullptr, title, QStringLiteral("line.pcapng"),
                                            QStringLiteral("pcapng (*.pcapng)"));
    };
    environment.rememberDevice = [&side](const QString& device) {
        QString error;
        if (!side.setRememberedDevice(device, &error))
            noteOnStandardError(QStringLiteral("the port choice is not remembered: ") + error);
    };
    return environment;
}

// The language the settings file holds, read without touching the file; English when there is
// none to read.
qint16 languageAtStart() {
    QFile file(app::SettingsFile(app::settingsDirFromEnvironment()).filePath());
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const app::SettingsImage image = app::readSettingsImage(file.readAll());
    return image.wellFormed ? image.record.Language_Flag : qint16(0);
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Before the window system starts, so that --help and --version need no display.
    const app::CommandLine line = app::parseCommandLine(arguments);
    switch (line.action) {
    case app::CommandLine::Action::Help:
    case app::CommandLine::Action::Version:
        printLine(stdout, line.text);
        return 0;
    case app::CommandLine::Action::Error:
        printLine(stderr, line.text);
        return 2;
    case app::CommandLine::Action::Run:
        break;
    }

    if (!desktop::displayMayBeThere(arguments)) {
        printLine(stderr, app::text(app::Text::NoDisplay, languageAtStart()));
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(app::productWord());
    QApplication::setApplicationVersion(app::programVersion());

    const QString settingsDir = app::settingsDirFromEnvironment();
    app::SideSettings side(settingsDir);
    // The loop first, then the window that shows it and asks it; the window goes first.
    core::LoopSession::Setup setup;
    setup.settingsDir = settingsDir;
    setup.now = &QDateTime::currentDateTime;
    setup.locale = QLocale::system();
    core::LoopSession session(setup);
    ui::Form1 window(session, programEnvironment(line, side));
    // Instrument views, the dump explained, recording.
    ui::WindowLayers layers(window, [&side](bool on) {
        QString error;
        if (!side.setRecordingEnabled(on, &error))
            noteOnStandardError(QStringLiteral("the recording choice is not remembered: ") + error);
    });
    const app::SideSettings::LoopCheckTolerance tolerance = side.loopCheckTolerance();
    layers.field.setLoopCheckTolerance(tolerance.ma, tolerance.percentOfSpan);
    layers.field.setLayoutMemory(
        [&side] { return side.instrumentViewLayout(); },
        [&side](const QByteArray& layout) {
            QString error;
            if (!side.setInstrumentViewLayout(layout, &error))
                noteOnStandardError(QStringLiteral("the view's sizes are not remembered: ") +
                                    error);
        });
    window.Form_Load();
    layers.recording.recorder().setInterval(
        line.recordIntervalMs.value_or(side.recordIntervalMs()));
    layers.recording.recorder().setEnabled(line.record || side.recordingEnabled());
    window.show();
    return application.exec();
}
