#include "details_reader.h"

#include "field/details.h"
#include "field/field_model.h"
#include "protocol/polling_cycle.h"

#include <QDateTime>

namespace core {

namespace {

constexpr int kMoreStatusAvailable = 0x10;
constexpr int kAdditionalStatus = 48;
// An instrument may keep the bit set until its condition goes: command 48 is read again at
// most this often for it.
constexpr qint64 kMoreStatusIntervalMs = 10000;

} // namespace

DetailsReader::DetailsReader(protocol::PollingCycle& cycle, field::FieldModel& model,
                             QObject* parent)
    : QObject(parent), m_cycle(cycle), m_model(model) {
    connect(&cycle, &protocol::PollingCycle::answerDecoded, this,
            [this](int command, int address, bool accepted, const QByteArray&) {
                answered(command, address, accepted);
            });
    connect(&cycle, &protocol::PollingCycle::requestDropped, &model,
            &field::FieldModel::detailDropped);
}

bool DetailsReader::readDetails(int address) {
    const field::Instrument& in = m_model.instrument(address);
    if (!in.identity || !m_cycle.answeredThisPass(address))
        return false;
    for (const int command : field::detailCommands(in.identity->hartRevision)) {
        if (in.detailsPending.count(command))
            continue;
        if (m_cycle.request({address, command, field::detailRequestData(command)}))
            m_model.detailAsked(address, command);
    }
    m_detailed |= 1u << address;
    m_lastMoreStatusReadMs[address] = QDateTime::currentMSecsSinceEpoch();
    return true;
}

void DetailsReader::follow(int address) {
    m_followed = address >= 0 && address < 16 ? address : -1;
}

void DetailsReader::answered(int command, int address, bool accepted) {
    if (address < 0 || address >= 16)
        return;
    // Followed: its values again after every step of the pass.
    if (m_followed >= 0 && !m_cycle.reportingOnDemand())
        m_cycle.request({m_followed, 3, {}});

    const field::Instrument& in = m_model.instrument(address);
    if (!accepted || !(m_detailed & (1u << address)) || !(in.deviceStatus & kMoreStatusAvailable) ||
        command == kAdditionalStatus || in.detailsPending.count(kAdditionalStatus))
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_lastMoreStatusReadMs[address] < kMoreStatusIntervalMs)
        return;
    if (m_cycle.request({address, kAdditionalStatus, {}})) {
        m_model.detailAsked(address, kAdditionalStatus);
        m_lastMoreStatusReadMs[address] = now;
    }
}

} // namespace core
