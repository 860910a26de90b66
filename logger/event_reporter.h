#pragma once

#include "app/texts.h"
#include "serial/port_status.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

namespace core {
class LoopSession;
}
namespace net {
class HartIpSession;
}

namespace logger {

// Tells what happens on the loop, one line per event for a log nobody watches live: the port
// opened, lost and back; an instrument found (address, long address, tag) and gone; a change of
// an instrument's device status, in words; the recording file and its failures. Nothing per
// answer. It only listens to the session, and speaks the language of its settings.
class EventReporter : public QObject {
    Q_OBJECT
public:
    using Line = std::function<void(const QString& line)>;
    // Starts with the line as it stands: the port's state, or the network session's events
    // from now on.
    EventReporter(core::LoopSession& session, Line line, QObject* parent = nullptr);

private:
    // The network session's events: opened, failed and why.
    void watchNetwork(net::HartIpSession& network);
    QString say(app::Text id) const;
    // The set bits of a device-status byte in words, in the language in force.
    QString statusWords(int status) const;
    void portChanged(const serial::PortStatus& status);
    void instrumentChanged(int address);

    core::LoopSession& m_session;
    Line m_line;
    serial::PortStatus::State m_portState = serial::PortStatus::State::Closed;
    struct Known {
        bool found = false; // reported as found and not yet as gone
        int deviceStatus = -1;
    };
    std::array<Known, 16> m_known;
    QString m_lastNetworkFailure;
    QString m_lastIoSystem;
};

} // namespace logger
