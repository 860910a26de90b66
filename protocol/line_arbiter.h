#pragma once

#include "line_framer.h"
#include "master_role.h"

namespace protocol {

// The data-link timers of a HART line, in characters (kCharacterMs each).
namespace link_timers {
constexpr int kSlaveTimeOut = 28; // STO: an instrument begins its answer within this
constexpr int kPrimaryRt1 = 33;   // RT1: a primary master that heard nothing this long may send
constexpr int kSecondaryRt1 = 41; // RT1 of a secondary master: the primary wins a tie
constexpr int kRt2 = 8;           // RT2: the window a master is granted after a frame
constexpr int kHold = 2;          // HOLD: the least quiet after a frame before anyone sends
} // namespace link_timers

// When this program may send on a line it shares with another master and with instruments in
// burst mode: the token-passing rules as a state machine on times given to it, with no clock
// and no port. It is told each frame heard as it ends and when its own request went out; it
// answers when the line is ours.
//
// The rules, after the end of:
// - an answer to the other master: the token is ours for RT2 — send after HOLD;
// - an answer to us: the other master's RT2 first, then ours again;
// - a burst frame naming us: ours for RT2 — send after HOLD; naming the other master: the line
//   is not ours until a frame grants it or RT1 of quiet passes;
// - a request of the other master: its instrument answers within STO; the line is not ours
//   until the answer grants it or RT1 of quiet passes;
// - our own request: its end (the answer wait that follows outlasts the slave time-out);
// - anything broken or unknown, or nothing yet: RT1 of quiet.
// Nobody starts while a frame is on the line.
class LineArbiter {
public:
    explicit LineArbiter(MasterRole role);

    void setRole(MasterRole role) { m_role = role; }
    MasterRole role() const { return m_role; }

    // A frame was heard to its end (our own request included, when the modem hears it back).
    void heard(const HeardFrame& frame);
    // Our request's last byte went out at `endMs`. The request heard back, or anyone's, keeps
    // the line for the slave time-out; our own answer wait is longer than that.
    void sent(double endMs);
    // Whether we may start a request at `nowMs`, the line being `busy` with a frame or not.
    bool mayStart(double nowMs, bool busy) const;
    // The earliest time we may start if nothing more is heard; for waiting until then.
    double earliestStart() const { return m_earliestMs; }
    // How long a master of our role listens to a quiet line before it may send.
    double rt1Ms() const;

private:
    MasterRole m_role;
    double m_earliestMs = 0; // nothing heard yet: free at once (the port was listened to before)
};

constexpr double characters(int count) {
    return count * kCharacterMs;
}

} // namespace protocol
