#pragma once

#include <QDateTime>
#include <QObject>

#include <functional>

namespace field {
class FieldModel;
}
namespace protocol {
class PendingRequest;
class PollingCycle;
struct ReadAnswer;
} // namespace protocol

namespace core {

// Asks an instrument for what it tells beyond the pass, through the cycle's requests on demand:
// its details, once when asked (and command 48 again when an answer says more status is
// available), and its values after every step of the pass while it is followed. What comes back
// goes into the field model like every other answer. Nothing is asked until someone asks.
class DetailsReader : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // `now` times the re-reads of command 48: the session's clock.
    DetailsReader(protocol::PollingCycle& cycle, field::FieldModel& model, Clock now,
                  QObject* parent = nullptr);

    // Queues every detail command the instrument at `address` speaks; false when it cannot be
    // asked now (polling stopped, or no instrument answered there in this pass).
    bool readDetails(int address);
    // Follows the instrument at `address` (-1: none): command 3 to it after every other step,
    // of the pass or asked beside it, so that no more than one step lies between two of its
    // readings (about 1.2 s on the serial line). At most one instrument at a time.
    void follow(int address);
    int followed() const { return m_followed; }

private:
    void answered(const protocol::ReadAnswer& answer);
    // Asks `command` of the instrument at `address` as a detail, noted in the model as pending
    // until it is answered or dropped; false when refused.
    bool ask(int address, int command);

    protocol::PollingCycle& m_cycle;
    field::FieldModel& m_model;
    Clock m_now;
    int m_followed = -1;
    protocol::PendingRequest* m_followRead = nullptr; // queued or under way; null: none
    // Addresses whose details were read: a "more status available" there reads command 48 again.
    quint32 m_detailed = 0;
    qint64 m_lastMoreStatusReadMs[16] = {};
};

} // namespace core
