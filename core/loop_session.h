#pragma once

#include "app/result_folders.h"
#include "app/settings_file.h"
#include "core/board_switch.h"
#include "core/details_reader.h"
#include "core/io_system_reader.h"
#include "core/line_capture.h"
#include "core/line_learner.h"
#include "core/line_log.h"
#include "core/line_switch.h"
#include "core/listening_line.h"
#include "core/subscriptions.h"
#include "field/field_model.h"
#include "net/hartip_line.h"
#include "net/hartip_session.h"
#include "protocol/board.h"
#include "protocol/protocol_state.h"
#include "protocol/qt_cycle_ports.h"
#include "record/recorder.h"
#include "serial/port_controller.h"
#include "serial/serial_port.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace protocol {
class PollingCycle;
}

namespace core {

// Everything that runs the loop, owned and wired in one place: the settings file, the protocol
// state, the serial port and its controller, the answer wait, the yield, the polling cycle, the
// field model fed by the cycle, and the recorder fed by the model. It needs QtCore, QtSerialPort
// and QtNetwork only. Each program's main makes one and hands it to its front end (the window,
// the logger), which only shows and asks: open() starts it up, start() and stop() run the pass,
// useLine() moves it to another line.
class LoopSession : public QObject {
    Q_OBJECT
public:
    struct Setup {
        QString settingsDir;                // Settings_Dir, ending with the separator
        std::function<QDateTime()> now;     // the clock of the settings, the model and the recorder
        QLocale locale = QLocale::system(); // numbers on the board, month folder names
        serial::MessageSink messages;       // what tuning the port has to tell the operator
    };

    // What the session starts with.
    struct StartOptions {
        // A serial device or a HART-IP address (hartip://, hartip+udp://, hartips://); empty:
        // port 1.
        QString device;
        // The device chosen last time when it was not there now: the port line says so.
        QString missingDevice;
        // This run's results folder instead of the settings file's (which keeps its own);
        // empty: the file's.
        QString resultsDir;
        // The results folder is made when it is not there, as a service's first start needs.
        bool makeResultsDir = false;
        // How long HART-IP requests and quiet may last, and the key kept for a host (unset:
        // none), for every network line from now on.
        net::HartIpSessionMachine::Settings network;
        std::function<net::PreSharedKey(const QString& host)> networkKey;
    };
    // What happened while it started. Every step is taken whatever failed before it.
    struct StartReport {
        app::SettingsFile::StartupProblems settings;
        QString resultsDirNotMade; // the folder that makeResultsDir could not make
        app::FolderPreparation folders;
        bool notHartIp = false; // `device` looks like a HART-IP address but is none
    };

    explicit LoopSession(Setup setup, QObject* parent = nullptr);
    ~LoopSession() override;

    // Start-up: the settings file read (made when missing), the results folders of this month
    // made, the line chosen and opened. Polling does not start.
    StartReport open(const StartOptions& options);
    // Polling: DTR raised, then the pass from its first step.
    void start();
    // The pass stops and the board is cleared.
    void stop();
    // Polls over `device` from now on: a HART-IP address opens a session there (again by
    // itself whenever it fails); anything else names a serial device, opened now (empty: the
    // port already chosen). False, and nothing changed, when `device` looks like a HART-IP
    // address but is none.
    bool useLine(const QString& device);
    // The board the pass writes to: the window's; null, or until one is given, one kept in
    // memory.
    void showOn(protocol::Board* board) { m_board.showOn(board); }
    // Where the port's messages go from now on (the window's message gate).
    void setMessageSink(serial::MessageSink sink) { m_setup.messages = std::move(sink); }

    app::SettingsFile& settings() { return m_settings; }
    // The language everything the session's front end says is in, as the settings hold it.
    qint16 languageFlag() const { return m_settings.record().Language_Flag; }
    protocol::ProtocolState& protocolState() { return m_state; }
    serial::SerialPort& serialPort() { return m_port; }
    protocol::QtAnswerTimer& answerTimer() { return m_timer; }
    serial::PortController& portController() { return m_portController; }
    protocol::PollingCycle& cycle() { return *m_cycle; }
    field::FieldModel& fieldModel() { return m_model; }
    record::Recorder& recorder() { return m_recorder; }
    // Details and follow, asked beside the pass.
    DetailsReader& details() { return *m_details; }
    // The master this program is on the line: named in every request from the next on, and
    // whose turn the serial line waits for.
    void setMasterRole(protocol::MasterRole role);

    // Over HART-IP: asks the instrument at `address` for its published data, or to stop; false
    // when it cannot be asked now. What the device made of it: subscriptions().settled.
    bool subscribe(int address, bool on);
    // The same for an instrument behind the I/O system, asked of the I/O system.
    bool subscribeBehind(const QByteArray& uniqueAddress, bool on);
    Subscriptions& subscriptions() { return *m_subscriptions; }
    // The instruments behind an I/O system at one of the polling addresses, over HART-IP.
    IoSystemReader& ioSystems() { return *m_ioSystems; }
    // Back to the serial port: the network session, if any, is closed.
    void useSerial();
    // The network line in words, as the port panel and the logger say it: where, and whether
    // the session is open or why not.
    QString networkStatusText(qint16 languageFlag) const;
    // The session in use; null on the serial line.
    net::HartIpSession* hartIpSession() { return m_hartIp.get(); }
    const Setup& setup() const { return m_setup; }

    // Every frame on the serial line from now on into a pcapng file at `path` (made anew, what
    // was there replaced), until stopCapture(); false, with the reason, when it cannot be made.
    bool startCapture(const QString& path, QString* error);
    // Listening only: a run sends nothing and never raises RTS; the board, the model and the
    // recording learn from what the others on the line say. Takes effect from the next start.
    void setListenOnly(bool on);
    bool listenOnly() const { return m_listening.listenOnly(); }
    // Running: polling, or listening only.
    bool isRunning() const;
    // The other masters said so far in this run (otherMasterHeard), in the order heard.
    QList<protocol::MasterRole> mastersHeard() const { return m_mastersHeard; }
    // Frames heard on the serial line since the program started.
    quint64 framesHeard() const { return m_framesHeard; }
    // HART-IP publications that named no instrument found (by the unique address, nor by the
    // device ID alone): dropped.
    quint64 unmatchedPublications() const { return m_unmatchedPublications; }
    const LineLearner& learner() const { return m_learner; }
    // The frames on the serial line, heard or sent, for the line view.
    const LineLog& lineLog() const { return m_lineLog; }

    // Ends it once every frame heard is in the file: how many the file holds.
    quint64 stopCapture();
    // The capture under way; null when there is none.
    const LineCapture* lineCapture() const { return m_capture.get(); }

signals:
    // The line changed: another network session, or back to the serial port.
    void lineChanged();
    // Another master was heard on the serial line, of the role `heard`: said once a role
    // for each run. Of our own role, the two will collide.
    void otherMasterHeard(protocol::MasterRole heard);
    // The capture could not be written any further; it has stopped.
    void captureFailed(const QString& path, const QString& reason);

private:
    void useHartIp(const net::HartIpAddress& address);
    // An answer nobody asked for (a burst frame, a HART-IP publication) to the instrument whose
    // long address it carries, if it is known (false when no instrument is).
    bool takeUnasked(protocol::ReadAnswer answer);
    void noticeMaster(const protocol::HeardFrame& frame);

    Setup m_setup;
    StartOptions m_options; // the network settings and keys of every line to come
    app::SettingsFile m_settings;
    protocol::ProtocolState m_state;
    serial::SerialPort m_port;
    ListeningLine m_listening{m_port}; // the port as a master that shares the line hears it
    protocol::QtAnswerTimer m_timer;
    protocol::QtEventYield m_yield;
    BoardSwitch m_board; // before the cycle that writes to it
    serial::PortController m_portController;
    LineSwitch m_line;                               // the serial port, or the network
    QList<protocol::MasterRole> m_mastersHeard;      // other masters, this run
    std::unique_ptr<protocol::PollingCycle> m_cycle; // refers to the board, and the line
    field::FieldModel m_model;
    std::unique_ptr<DetailsReader> m_details;
    std::unique_ptr<Subscriptions> m_subscriptions;
    std::unique_ptr<IoSystemReader> m_ioSystems;
    std::unique_ptr<net::HartIpSession> m_hartIp;
    std::unique_ptr<net::HartIpLine> m_hartIpLine;
    LineLearner m_learner{m_state, m_board, m_model}; // while only listening
    LineLog m_lineLog;
    bool m_listeningRun = false;
    QElapsedTimer m_steady;
    quint64 m_framesHeard = 0;
    quint64 m_unmatchedPublications = 0;
    QTimer m_quietRows;
    std::unique_ptr<LineCapture> m_capture;
    record::Recorder m_recorder; // last: its writer's thread ends before the rest goes
};

} // namespace core
