#include "logger/event_reporter.h"

#include "app/texts.h"
#include "core/loop_session.h"
#include "core/network_words.h"
#include "field/hart_tables.h"
#include "net/hartip_session.h"
#include "serial/port_status_text.h"

namespace logger {

namespace {

using app::Text;

QString addressText(int address) {
    return QStringLiteral("%1").arg(address, 2, 10, QLatin1Char('0'));
}

} // namespace

EventReporter::EventReporter(core::LoopSession& session, Line line, QObject* parent)
    : QObject(parent), m_session(session), m_line(std::move(line)) {
    connect(&session.portController(), &serial::PortController::statusChanged, this,
            &EventReporter::portChanged);
    // The line as it stands when the reporting starts, then every line the session moves to.
    const auto followLine = [this] {
        if (net::HartIpSession* network = m_session.hartIpSession())
            watchNetwork(*network);
        else
            portChanged(m_session.portController().status());
    };
    connect(&session, &core::LoopSession::lineChanged, this, followLine);
    followLine();
    connect(&session.fieldModel(), &field::FieldModel::instrumentChanged, this,
            &EventReporter::instrumentChanged);
    connect(&session.recorder(), &record::Recorder::fileChanged, this,
            [this](const QString& path) { m_line(say(Text::LogRecordingTo).arg(path)); });
    connect(&session.ioSystems(), &core::IoSystemReader::listChanged, this, [this] {
        const core::IoSystemReader& io = m_session.ioSystems();
        const QString line = say(Text::LogIoSystem)
                                 .arg(addressText(io.ioSystemAddress()))
                                 .arg(io.subDevices().size());
        if (line != m_lastIoSystem) // said again only when the list changed
            m_line(line);
        m_lastIoSystem = line;
    });
    connect(&session.recorder(), &record::Recorder::droppingLines, this,
            [this] { m_line(say(Text::LogLinesDropping)); });
    connect(&session.recorder(), &record::Recorder::failed, this,
            [this](const QString& path, const QString& reason) {
                m_line(say(Text::LogRecordingFailed).arg(path, reason));
            });
}

QString EventReporter::say(Text id) const {
    return app::text(id, m_session.languageFlag());
}

void EventReporter::watchNetwork(net::HartIpSession& network) {
    connect(&network, &net::HartIpSession::stateChanged, this, [this, &network] {
        using State = net::HartIpSessionMachine::State;
        const QString where = core::networkPlace(network, m_session.languageFlag());
        if (network.state() == State::Open) {
            m_line(say(Text::LogNetworkOpen).arg(where));
            return;
        }
        if (network.state() != State::Paused)
            return;
        const QString why = core::networkFailureReason(network, m_session.languageFlag());
        // Said once while it keeps failing the same way.
        const QString line = say(Text::LogNetworkFailed).arg(where, why);
        if (line != m_lastNetworkFailure)
            m_line(line);
        m_lastNetworkFailure = line;
    });
    connect(&network, &net::HartIpSession::stateChanged, this, [this, &network] {
        if (network.state() == net::HartIpSessionMachine::State::Open)
            m_lastNetworkFailure.clear();
    });
}

void EventReporter::portChanged(const serial::PortStatus& status) {
    using State = serial::PortStatus::State;
    const State before = m_portState;
    m_portState = status.state;
    switch (status.state) {
    case State::Open:
        m_line(say(before == State::Lost ? Text::LogPortBack : Text::LogPortOpened)
                   .arg(status.devicePath));
        break;
    case State::Lost:
        m_line(say(Text::LogPortLost).arg(status.devicePath));
        break;
    case State::Failed:
        if (before != State::Failed) // said once, not at every try
            m_line(say(Text::LogPortNotOpened)
                       .arg(serial::portStatusText(status, m_session.languageFlag())));
        break;
    case State::Closed:
        break;
    }
}

QString EventReporter::statusWords(int status) const {
    return field::bitsText(field::deviceStatusBits(), status,
                           app::isEnglish(m_session.languageFlag()));
}

void EventReporter::instrumentChanged(int address) {
    if (address < 0 || address >= int(m_known.size()))
        return;
    const field::Instrument& in = m_session.fieldModel().instrument(address);
    Known& known = m_known[size_t(address)];
    if (!in.answering) {
        if (known.found)
            m_line(say(Text::LogInstrumentGone).arg(addressText(address)));
        known = Known{};
        return;
    }
    // Found once its tag is read, so the line can name it.
    if (!known.found && in.identity && in.tag) {
        known.found = true;
        known.deviceStatus = in.deviceStatus;
        m_line(say(Text::LogInstrumentFound)
                   .arg(addressText(address),
                        QString::fromLatin1(in.identity->longAddress.toHex().toUpper()),
                        in.tag->tag.trimmed(), statusWords(qMax(0, in.deviceStatus))));
        return;
    }
    if (known.found && in.deviceStatus >= 0 && in.deviceStatus != known.deviceStatus) {
        known.deviceStatus = in.deviceStatus;
        m_line(
            say(Text::LogInstrumentStatus).arg(addressText(address), statusWords(in.deviceStatus)));
    }
}

} // namespace logger
