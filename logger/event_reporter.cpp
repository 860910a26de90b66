#include "logger/event_reporter.h"

#include "core/loop_session.h"
#include "field/hart_tables.h"
#include "serial/port_status_text.h"

namespace logger {

namespace {

QString statusWords(int status) {
    QStringList set;
    for (const field::StatusBit& bit : field::deviceStatusBits())
        if (status & bit.mask)
            set << field::bitText(bit, true);
    return set.isEmpty() ? QStringLiteral("no bit set") : set.join(QStringLiteral(", "));
}

QString addressText(int address) {
    return QStringLiteral("%1").arg(address, 2, 10, QLatin1Char('0'));
}

} // namespace

EventReporter::EventReporter(core::LoopSession& session, Line line, QObject* parent)
    : QObject(parent), m_session(session), m_line(std::move(line)) {
    connect(&session.portController(), &serial::PortController::statusChanged, this,
            &EventReporter::portChanged);
    connect(&session.fieldModel(), &field::FieldModel::instrumentChanged, this,
            &EventReporter::instrumentChanged);
    connect(&session.recorder(), &record::Recorder::fileChanged, this,
            [this](const QString& path) { m_line(QStringLiteral("recording to %1").arg(path)); });
    connect(&session.recorder(), &record::Recorder::failed, this,
            [this](const QString& path, const QString& reason) {
                m_line(QStringLiteral("recording failed: %1: %2; trying again every few seconds")
                           .arg(path, reason));
            });
}

void EventReporter::portChanged(const serial::PortStatus& status) {
    using State = serial::PortStatus::State;
    const State before = m_portState;
    m_portState = status.state;
    switch (status.state) {
    case State::Open:
        m_line(before == State::Lost ? QStringLiteral("port back: %1").arg(status.devicePath)
                                     : QStringLiteral("port opened: %1").arg(status.devicePath));
        break;
    case State::Lost:
        m_line(QStringLiteral("port lost: %1; looking for it again every second")
                   .arg(status.devicePath));
        break;
    case State::Failed:
        if (before != State::Failed) // said once, not at every try
            m_line(QStringLiteral("port not opened: %1; trying again every second")
                       .arg(serial::portStatusText(status, 0)));
        break;
    case State::Closed:
        break;
    }
}

void EventReporter::instrumentChanged(int address) {
    if (address < 0 || address >= int(m_known.size()))
        return;
    const field::Instrument& in = m_session.fieldModel().instrument(address);
    Known& known = m_known[size_t(address)];
    if (!in.answering) {
        if (known.found)
            m_line(QStringLiteral("instrument %1 gone").arg(addressText(address)));
        known = Known{};
        return;
    }
    // Found once its tag is read, so the line can name it.
    if (!known.found && in.identity && in.tag) {
        known.found = true;
        known.deviceStatus = in.deviceStatus;
        m_line(QStringLiteral("instrument %1 found: %2, tag %3, device status: %4")
                   .arg(addressText(address),
                        QString::fromLatin1(in.identity->longAddress.toHex().toUpper()),
                        in.tag->tag.trimmed(), statusWords(qMax(0, in.deviceStatus))));
        return;
    }
    if (known.found && in.deviceStatus >= 0 && in.deviceStatus != known.deviceStatus) {
        known.deviceStatus = in.deviceStatus;
        m_line(QStringLiteral("instrument %1 device status: %2")
                   .arg(addressText(address), statusWords(in.deviceStatus)));
    }
}

} // namespace logger
