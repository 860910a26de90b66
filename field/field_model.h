#pragma once

#include "answer_frame.h"
#include "burst_rate.h"
#include "history.h"

#include "protocol/read_answer.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace field {

// What the loop told us of the instrument at one polling address.
struct Instrument {
    bool answering = false; // the last command 0 to this address was answered
    // When the instrument that answered here stopped answering (the first command 0 it left
    // unanswered), ms since the epoch; 0 while it answers or when none ever did.
    qint64 silentSinceMs = 0;
    std::optional<Identity> identity;
    std::optional<TagRecord> tag;
    // The latest of each value, from command 3 or from what the instrument published.
    std::optional<DynamicVariables> variables;
    // What the last frame of values carried, and nothing else: what a recording writes.
    std::optional<DynamicVariables> lastMeasured;
    // The last frame that carried both the loop current and the PV (every command-3 answer
    // does): what a loop check compares, never two values of different moments.
    std::optional<DynamicVariables> lastCurrentAndPv;
    int responseCode = -1; // of the last accepted answer
    int deviceStatus = -1;
    // The last accepted answer of the pass (or published), as read and taken apart.
    protocol::ReadAnswer lastAnswer;
    qint64 lastAnswerMs = 0;
    History history;
    // What was asked beyond the pass: by command, the last answer (or its absence).
    std::map<int, protocol::ReadAnswer> details;
    std::set<int> detailsPending; // asked, not answered yet
    // By command, how often the instrument publishes it unasked.
    std::map<int, BurstRate> bursts;

    // The last values came published (a subscription), unasked.
    bool lastPublished() const {
        return lastAnswer.origin == protocol::ReadAnswer::Origin::Published;
    }
};

// What one answer (or published frame) changed in what is known of an instrument.
struct TakenAnswer {
    bool changed = false;  // the instrument's views should look again
    bool measured = false; // values came: a command-3 answer or a published frame
    QDateTime when;        // when the answer came: its last byte
};

// Folds an answer into what is known of `in`, as the field model does for the loop's instruments
// and the I/O system reader for those behind it: identity (0), tag (13), values (3 and what is
// published), and anything else asked as a detail. `now` is the model's clock.
TakenAnswer takeAnswerInto(Instrument& in, const protocol::ReadAnswer& answer,
                           const QDateTime& now);

// The instruments of the loop, fed by the polling cycle's report of every answer it read. It
// only listens: nothing here writes to the board or reaches into the cycle.
class FieldModel : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    explicit FieldModel(Clock now = &QDateTime::currentDateTime, QObject* parent = nullptr);

    const Instrument& instrument(int address) const;
    // The model's clock: what the instrument views count "now" from.
    QDateTime now() const { return m_now(); }

    // One answer the cycle read, or a frame an instrument published unasked (burst mode, a
    // HART-IP subscription). What a published frame of commands 1, 2, 3, 9 and 33 carries is
    // taken as the instrument's values; of other commands (48) as its details.
    void takeAnswer(const protocol::ReadAnswer& answer);
    // Polling stopped and the board was cleared: nothing is known any more.
    void clear();
    // A detail command was asked of the instrument at `address`, or its request was dropped.
    void detailAsked(int address, int command);
    void detailDropped(int address, int command);

signals:
    void instrumentChanged(int address);
    // Values received, decoded: a command-3 answer or a published frame (the recorder listens).
    void measurement(int address, const QDateTime& when);

private:
    Clock m_now;
    std::array<Instrument, 16> m_instruments;
};

} // namespace field
