#pragma once

#include "protocol/polling_cycle.h"
#include "protocol/protocol_state.h"

#include <QObject>

#include <functional>

namespace core {

// HART-IP subscriptions to instruments' published data. Command 533 writes the flags for an
// instrument and command 532 reads them back: a subscription counts as made (or ended) only when
// the flags read back are those written. A server keeps the instrument's unique ID as it was sent
// and looks a publication up by its address with the master bit set, so the ID goes out with that
// bit set.
class Subscriptions : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Confirmed,    // the flags read back are those written
        NotConfirmed, // answered, but refused, or the flags read back differ
        NoAnswer,     // command 533 or 532 went unanswered
    };
    Q_ENUM(Outcome)

    Subscriptions(protocol::PollingCycle& cycle, const protocol::ProtocolState& state,
                  QObject* parent = nullptr);

    // Asks the instrument at `address` for all its published data, or none; false when it
    // cannot be asked now (no instrument known there).
    bool ask(int address, bool on);
    // The same for the instrument behind the I/O system at `ioSystemAddress` with
    // `uniqueAddress`: asked of the I/O system, which publishes for it.
    bool askBehind(int ioSystemAddress, const QByteArray& uniqueAddress, bool on);

signals:
    void settled(int address, bool on, core::Subscriptions::Outcome outcome);
    void settledBehind(const QByteArray& uniqueAddress, bool on,
                       core::Subscriptions::Outcome outcome);

private:
    using Report = std::function<void(Outcome)>;
    // Command 533 to the server at `address` for `uniqueAddress`, then 532 to read it back.
    bool write(int address, const QByteArray& uniqueAddress, bool on, Report report);
    void readBack(int address, const QByteArray& target, quint16 written, Report report);

    protocol::PollingCycle& m_cycle;
    const protocol::ProtocolState& m_state;
};

} // namespace core
