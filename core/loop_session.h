#pragma once

#include "app/settings_file.h"
#include "core/details_reader.h"
#include "core/line_switch.h"
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
#include <QLocale>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace protocol {
class PollingCycle;
}

namespace core {

// Everything that runs the loop, owned and wired in one place: the settings file, the protocol
// state, the serial port and its controller, the answer wait, the yield, the polling cycle, the
// field model fed by the cycle, and the recorder fed by the model. It needs QtCore, QtSerialPort
// and QtNetwork only, so a front end without a window holds one as well as the window does; the
// front end brings the board the cycle writes to and says how messages reach the operator.
class LoopSession : public QObject {
    Q_OBJECT
public:
    struct Setup {
        QString settingsDir;                // Settings_Dir, ending with the separator
        std::function<QDateTime()> now;     // the clock of the settings, the model and the recorder
        QLocale locale = QLocale::system(); // numbers on the board, month folder names
        serial::MessageSink messages;       // what tuning the port has to tell the operator
    };

    LoopSession(protocol::Board& board, Setup setup, QObject* parent = nullptr);
    ~LoopSession() override;

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

    // Polls over the network instead of the serial port: a HART-IP session to `address`, opened
    // now and again by itself whenever it fails. The serial port is left alone (closed).
    void useHartIp(const net::HartIpAddress& address,
                   net::HartIpSessionMachine::Settings settings = {}, net::PreSharedKey key = {});
    // Over HART-IP: asks the instrument at `address` for its published data (command 533), or
    // to stop; false when it cannot be asked now.
    bool subscribe(int address, bool on);
    // Back to the serial port: the network session, if any, is closed.
    void useSerial();
    // The network line in words, as the port panel and the logger say it: where, and whether
    // the session is open or why not.
    QString networkStatusText(qint16 languageFlag) const;
    // The session in use; null on the serial line.
    net::HartIpSession* hartIpSession() { return m_hartIp.get(); }
    const Setup& setup() const { return m_setup; }

private:
    Setup m_setup;
    app::SettingsFile m_settings;
    protocol::ProtocolState m_state;
    serial::SerialPort m_port;
    protocol::QtAnswerTimer m_timer;
    protocol::QtEventYield m_yield;
    serial::PortController m_portController;
    LineSwitch m_line;                               // the serial port, or the network
    std::unique_ptr<protocol::PollingCycle> m_cycle; // refers to the board, and the line
    field::FieldModel m_model;
    std::unique_ptr<DetailsReader> m_details;
    std::unique_ptr<net::HartIpSession> m_hartIp;
    std::unique_ptr<net::HartIpLine> m_hartIpLine;
    record::Recorder m_recorder; // last: its writer's thread ends before the rest goes
};

} // namespace core
