#include "field_model.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace field {

FieldModel::FieldModel(Clock now, QObject* parent) : QObject(parent), m_now(std::move(now)) {}

const Instrument& FieldModel::instrument(int address) const {
    return m_instruments[size_t(qBound(0, address, 15))];
}

namespace {

bool polledByThePass(int command) {
    return command == 0 || command == 13 || command == 3;
}

// What instruments publish in burst mode, or answer another master, that the view and the
// recording take: values (1, 2, 3, 9, 33) and the additional status (48); heard answers also
// say the identity (0), tag (13), long tag (20) and polling address (7). Anything else is left
// alone.
bool takenWhenPublished(int command) {
    constexpr int kTaken[] = {1, 2, 3, 9, 33, 38, 48};
    return std::find(std::begin(kTaken), std::end(kTaken), command) != std::end(kTaken);
}

// Merges what a frame carried over what was known: a value it did not carry stays as it was.
void mergeInto(std::optional<DynamicVariables>& known, const DynamicVariables& carried) {
    if (!known)
        known = DynamicVariables{};
    if (carried.loopCurrent)
        known->loopCurrent = carried.loopCurrent;
    for (size_t k = 0; k < carried.values.size(); ++k)
        if (carried.values[k])
            known->values[k] = carried.values[k];
}

} // namespace

void FieldModel::takeAnswer(const protocol::ReadAnswer& answer) {
    const int address = answer.address;
    if (address < 0 || address >= int(m_instruments.size()))
        return;
    const TakenAnswer taken = takeAnswerInto(m_instruments[size_t(address)], answer, m_now());
    if (taken.changed)
        emit instrumentChanged(address);
    if (taken.measured)
        emit measurement(address, taken.when);
}

TakenAnswer takeAnswerInto(Instrument& in, const protocol::ReadAnswer& answer,
                           const QDateTime& clock) {
    TakenAnswer taken;
    const int command = answer.command;
    const protocol::HartFrame& frame = answer.frame;
    using Origin = protocol::ReadAnswer::Origin;
    const bool notAskedByUs = answer.origin == Origin::Published || answer.origin == Origin::Heard;
    const bool heardOnly = command == 0 || command == 7 || command == 13 || command == 20;
    if (notAskedByUs && !takenWhenPublished(command) &&
        !(answer.origin == Origin::Heard && heardOnly))
        return taken;
    const bool published = answer.accepted && answer.origin == Origin::Published;
    const bool unasked = answer.accepted && notAskedByUs;
    // When the answer came: its last byte, not the end of the step that read it.
    const QDateTime now = answer.ageMs > 0 ? clock.addMSecs(-answer.ageMs) : clock;
    taken.when = now;
    if (published)
        in.bursts[command].heard(now.toMSecsSinceEpoch());
    // Only the pass asks 0, 13 and 3 of its own; anything else was asked for or published, and
    // what came of it, answer or not, is what the view shows.
    std::optional<DynamicVariables> carried =
        answer.accepted && (command == 3 || unasked) ? dynamicVariablesFrom(frame) : std::nullopt;
    if (!polledByThePass(command)) {
        in.detailsPending.erase(command);
        in.details[command] = answer;
        if (answer.accepted) {
            in.responseCode = frame.responseCode;
            in.deviceStatus = frame.deviceStatus;
        }
        if (!carried) {
            taken.changed = true;
            return taken;
        }
    }
    if (!answer.accepted) {
        // Silence or a broken answer to command 0 means nobody answers here now; what was
        // learnt before stays, marked as such by `answering`.
        if (command == 0) {
            if (in.answering)
                in.silentSinceMs = clock.toMSecsSinceEpoch();
            in.answering = false;
            taken.changed = true;
        }
        return taken;
    }
    in.lastAnswer = answer;
    in.lastAnswerMs = now.toMSecsSinceEpoch();
    if (answer.origin == Origin::Heard) { // it answers another master: it is there
        in.answering = true;
        in.silentSinceMs = 0;
    }
    in.responseCode = frame.responseCode;
    in.deviceStatus = frame.deviceStatus;
    if (command == 0) {
        const std::optional<Identity> identity = identityFrom(frame);
        // Another instrument at the address: what the old one said no longer applies.
        if (in.identity && identity && in.identity->longAddress != identity->longAddress) {
            in.tag.reset();
            in.variables.reset();
            in.lastMeasured.reset();
            in.lastCurrentAndPv.reset();
            in.history.clear();
            in.details.clear();
            in.bursts.clear();
        }
        in.identity = identity;
        in.answering = true;
        in.silentSinceMs = 0;
    } else if (command == 13) {
        in.tag = tagRecordFrom(frame);
    } else if (command == 3 && !carried) { // accepted, but too short to say the values
        in.variables.reset();
        in.lastMeasured.reset();
        in.lastCurrentAndPv.reset();
    } else if (carried) {
        // Command 3 says all four variables: one it left out is not known any more.
        if (command == 3)
            in.variables.reset();
        mergeInto(in.variables, *carried);
        in.lastMeasured = carried;
        if (carried->loopCurrent && carried->values[0])
            in.lastCurrentAndPv = carried;
        const auto& pv = carried->values[0];
        constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
        in.history.add(
            {in.lastAnswerMs, carried->loopCurrent.value_or(kNone), pv ? pv->value : kNone});
    }
    taken.changed = true;
    taken.measured = carried.has_value();
    return taken;
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
