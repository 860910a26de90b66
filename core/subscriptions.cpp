#include "subscriptions.h"

#include "field/answer_frame.h"
#include "protocol/codecs.h"

namespace core {

namespace {

constexpr int kExpandedCommand = 31;
constexpr quint16 kReadSubscription = 532;
constexpr quint16 kWriteSubscription = 533;
// Process data, events, device status and configuration.
constexpr quint16 kAllPublished = 0x000F;
constexpr char kMasterBit = char(0x80);

// What became of a request: answered with success, answered otherwise, or not at all.
Subscriptions::Outcome outcomeOf(const protocol::ReadAnswer& answer) {
    if (!answer.accepted || answer.frame.communicationError())
        return Subscriptions::Outcome::NoAnswer;
    return answer.frame.responseCode == 0 ? Subscriptions::Outcome::Confirmed
                                          : Subscriptions::Outcome::NotConfirmed;
}

} // namespace

Subscriptions::Subscriptions(protocol::PollingCycle& cycle, const protocol::ProtocolState& state,
                             QObject* parent)
    : QObject(parent), m_cycle(cycle), m_state(state) {}

bool Subscriptions::ask(int address, bool on) {
    if (address < 0 || address >= protocol::kRowCount)
        return false;
    QByteArray target =
        protocol::withoutMasterAndBurst(m_state.Device_Table[size_t(address)].Long_Address);
    if (target.size() != protocol::kLongAddressLength)
        return false;
    target[0] = char(target[0] | kMasterBit);
    const quint16 flags = on ? kAllPublished : 0;
    protocol::PendingRequest* write = m_cycle.request(
        {address, kExpandedCommand,
         protocol::bigEndian(kWriteSubscription, 2) + target + protocol::bigEndian(flags, 2)});
    if (!write)
        return false;
    connect(write, &protocol::PendingRequest::finished, this,
            [this, address, on, target, flags](const protocol::ReadAnswer& answer) {
                const Outcome written = outcomeOf(answer);
                if (written == Outcome::Confirmed)
                    readBack(address, on, target, flags);
                else
                    emit settled(address, on, written);
            });
    connect(write, &protocol::PendingRequest::dropped, this,
            [this, address, on] { emit settled(address, on, Outcome::NoAnswer); });
    return true;
}

void Subscriptions::readBack(int address, bool on, const QByteArray& target, quint16 written) {
    protocol::PendingRequest* read = m_cycle.request(
        {address, kExpandedCommand, protocol::bigEndian(kReadSubscription, 2) + target});
    if (!read) {
        emit settled(address, on, Outcome::NoAnswer);
        return;
    }
    connect(read, &protocol::PendingRequest::finished, this,
            [this, address, on, written](const protocol::ReadAnswer& answer) {
                const Outcome read = outcomeOf(answer);
                if (read != Outcome::Confirmed) {
                    emit settled(address, on, read);
                    return;
                }
                const std::optional<field::Subscription> kept =
                    field::subscriptionFrom(answer.frame);
                emit settled(address, on,
                             kept && kept->command == kReadSubscription && kept->flags == written
                                 ? Outcome::Confirmed
                                 : Outcome::NotConfirmed);
            });
    connect(read, &protocol::PendingRequest::dropped, this,
            [this, address, on] { emit settled(address, on, Outcome::NoAnswer); });
}

} // namespace core
