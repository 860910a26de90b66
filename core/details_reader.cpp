#include "details_reader.h"

#include "field/details.h"
#include "field/field_model.h"
#include "protocol/hart_frame.h"
#include "protocol/polling_cycle.h"

#include <QDateTime>

namespace core {

namespace {

using protocol::device_status::kMoreStatusAvailable;
constexpr int kAdditionalStatus = 48;
// An instrument may keep the bit set until its condition goes: command 48 is read again at
// most this often for it.
constexpr qint64 kMoreStatusIntervalMs = 10000;

} // namespace

DetailsReader::DetailsReader(protocol::PollingCycle& cycle, field::FieldModel& model, Clock now,
                             QObject* parent)
    : QObject(parent), m_cycle(cycle), m_model(model), m_now(std::move(now)) {
    connect(&cycle, &protocol::PollingCycle::answerDecoded, this, &DetailsReader::answered);
}

bool DetailsReader::ask(int address, int command) {
    protocol::PendingRequest* pending =
        m_cycle.request({address, command, field::detailRequestData(command)});
    if (!pending)
        return false;
    m_model.detailAsked(address, command);
    connect(pending, &protocol::PendingRequest::dropped, &m_model,
            [this, address, command] { m_model.detailDropped(address, command); });
    return true;
}

bool DetailsReader::readDetails(int address) {
    const field::Instrument& in = m_model.instrument(address);
    if (!in.identity || !m_cycle.answeredThisPass(address))
        return false;
    for (const int command : field::detailCommands(in.identity->hartRevision)) {
        if (!in.detailsPending.count(command))
            ask(address, command);
    }
    m_detailed |= 1u << address;
    m_lastMoreStatusReadMs[address] = m_now().toMSecsSinceEpoch();
    return true;
}

void DetailsReader::follow(int address) {
    m_followed = address >= 0 && address < 16 ? address : -1;
}

void DetailsReader::answered(const protocol::ReadAnswer& answer) {
    const int address = answer.address;
    const int command = answer.command;
    if (address < 0 || address >= 16)
        return;
    // Followed: its values again after every step that was not its own reading, ahead of
    // what else was asked, so details or a re-read of command 48 go between two readings
    // rather than instead of one.
    if (m_followed >= 0 && !m_followRead) {
        m_followRead = m_cycle.requestNext({m_followed, 3, {}});
        if (m_followRead) {
            const auto over = [this] { m_followRead = nullptr; };
            connect(m_followRead, &protocol::PendingRequest::finished, this, over);
            connect(m_followRead, &protocol::PendingRequest::dropped, this, over);
        }
    }

    const field::Instrument& in = m_model.instrument(address);
    if (!answer.accepted || !(m_detailed & (1u << address)) ||
        !(in.deviceStatus & kMoreStatusAvailable) || command == kAdditionalStatus ||
        in.detailsPending.count(kAdditionalStatus))
        return;
    const qint64 now = m_now().toMSecsSinceEpoch();
    if (now - m_lastMoreStatusReadMs[address] < kMoreStatusIntervalMs)
        return;
    if (ask(address, kAdditionalStatus))
        m_lastMoreStatusReadMs[address] = now;
}

} // namespace core
