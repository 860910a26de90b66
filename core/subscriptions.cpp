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
    return write(
        address,
        protocol::withoutMasterAndBurst(m_state.Device_Table[size_t(address)].Long_Address), on,
        [this, address, on](Outcome outcome) { emit settled(address, on, outcome); });
}

bool Subscriptions::askBehind(int ioSystemAddress, const QByteArray& uniqueAddress, bool on) {
    if (ioSystemAddress < 0 || ioSystemAddress >= protocol::kRowCount)
        return false;
    return write(ioSystemAddress, uniqueAddress, on, [this, uniqueAddress, on](Outcome outcome) {
        emit settledBehind(uniqueAddress, on, outcome);
    });
}

bool Subscriptions::write(int address, const QByteArray& uniqueAddress, bool on, Report report) {
    QByteArray target = uniqueAddress;
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
            [this, address, target, flags, report](const protocol::ReadAnswer& answer) {
                const Outcome written = outcomeOf(answer);
                if (written == Outcome::Confirmed)
                    readBack(address, target, flags, report);
                else
                    report(written);
            });
    connect(write, &protocol::PendingRequest::dropped, this,
            [report] { report(Outcome::NoAnswer); });
    return true;
}

void Subscriptions::readBack(int address, const QByteArray& target, quint16 written,
                             Report report) {
    protocol::PendingRequest* read = m_cycle.request(
        {address, kExpandedCommand, protocol::bigEndian(kReadSubscription, 2) + target});
    if (!read) {
        report(Outcome::NoAnswer);
        return;
    }
    connect(read, &protocol::PendingRequest::finished, this,
            [written, report](const protocol::ReadAnswer& answer) {
                const Outcome read = outcomeOf(answer);
                if (read != Outcome::Confirmed) {
                    report(read);
                    return;
                }
                const std::optional<field::Subscription> kept =
                    field::subscriptionFrom(answer.frame);
                report(kept && kept->command == kReadSubscription && kept->flags == written
                           ? Outcome::Confirmed
                           : Outcome::NotConfirmed);
            });
    connect(read, &protocol::PendingRequest::dropped, this,
            [report] { report(Outcome::NoAnswer); });
}

} // namespace core
