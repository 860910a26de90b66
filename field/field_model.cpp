#include "field_model.h"

#include <cmath>
#include <limits>

namespace field {

FieldModel::FieldModel(Clock now, QObject* parent) : QObject(parent), m_now(std::move(now)) {}

const Instrument& FieldModel::instrument(int address) const {
    return m_instruments[size_t(qBound(0, address, 15))];
}

void FieldModel::takeAnswer(const protocol::ReadAnswer& answer) {
    const int address = answer.address;
    if (address < 0 || address >= int(m_instruments.size()))
        return;
    Instrument& in = m_instruments[size_t(address)];
    const int command = answer.command;
    const protocol::HartFrame& frame = answer.frame;
    // Only the pass asks 0, 13 and 3 of its own; anything else was asked for, and what came of
    // it, answer or not, is what the view shows.
    if (command != 0 && command != 13 && command != 3) {
        in.detailsPending.erase(command);
        in.details[command] = answer;
        if (answer.accepted) {
            in.responseCode = frame.responseCode;
            in.deviceStatus = frame.deviceStatus;
        }
        emit instrumentChanged(address);
        return;
    }
    if (!answer.accepted) {
        // Silence or a broken answer to command 0 means nobody answers here now; what was
        // learnt before stays, marked as such by `answering`.
        if (command == 0) {
            if (in.answering)
                in.silentSinceMs = m_now().toMSecsSinceEpoch();
            in.answering = false;
            emit instrumentChanged(address);
        }
        return;
    }
    // When the answer came: its last byte, not the end of the step that read it.
    const QDateTime now = answer.ageMs > 0 ? m_now().addMSecs(-answer.ageMs) : m_now();
    in.lastAnswer = answer;
    in.lastAnswerMs = now.toMSecsSinceEpoch();
    in.responseCode = frame.responseCode;
    in.deviceStatus = frame.deviceStatus;
    if (command == 0) {
        const std::optional<Identity> identity = identityFrom(frame);
        // Another instrument at the address: what the old one said no longer applies.
        if (in.identity && identity && in.identity->longAddress != identity->longAddress) {
            in.tag.reset();
            in.variables.reset();
            in.history.clear();
            in.details.clear();
        }
        in.identity = identity;
        in.answering = true;
        in.silentSinceMs = 0;
    } else if (command == 13) {
        in.tag = tagRecordFrom(frame);
    } else if (command == 3) {
        in.variables = dynamicVariablesFrom(frame);
        if (in.variables) {
            const auto& pv = in.variables->values[0];
            in.history.add({in.lastAnswerMs, in.variables->loopCurrent,
                            pv ? pv->value : std::numeric_limits<float>::quiet_NaN()});
        }
    }
    emit instrumentChanged(address);
    if (command == 3 && in.variables)
        emit measurement(address, now);
}

void FieldModel::detailAsked(int address, int command) {
    if (address < 0 || address >= int(m_instruments.size()))
        return;
    m_instruments[size_t(address)].detailsPending.insert(command);
    emit instrumentChanged(address);
}

void FieldModel::detailDropped(int address, int command) {
    if (address < 0 || address >= int(m_instruments.size()))
        return;
    m_instruments[size_t(address)].detailsPending.erase(command);
    emit instrumentChanged(address);
}

void FieldModel::clear() {
    for (int address = 0; address < int(m_instruments.size()); ++address) {
        m_instruments[size_t(address)] = Instrument{};
        emit instrumentChanged(address);
    }
}

} // namespace field
