#include "line_arbiter.h"

namespace protocol {

using namespace link_timers;

LineArbiter::LineArbiter(MasterRole role) : m_role(role) {}

double LineArbiter::rt1Ms() const {
    return characters(m_role == MasterRole::Primary ? kPrimaryRt1 : kSecondaryRt1);
}

void LineArbiter::heard(const HeardFrame& frame) {
    const double end = frame.endMs;
    const bool namesUs = frame.namesPrimary() == (m_role == MasterRole::Primary);
    switch (frame.kind) {
    case HeardFrame::Kind::AnswerToOther:
        m_earliestMs = end + characters(kHold);
        break;
    case HeardFrame::Kind::AnswerToUs:
        m_earliestMs = end + characters(kRt2);
        break;
    case HeardFrame::Kind::Burst:
        m_earliestMs = end + (namesUs ? characters(kHold) : rt1Ms());
        break;
    case HeardFrame::Kind::OurRequest:
        m_earliestMs = end + characters(kSlaveTimeOut);
        break;
    case HeardFrame::Kind::OtherRequest:
    case HeardFrame::Kind::Broken:
    case HeardFrame::Kind::Garbage:
        m_earliestMs = end + rt1Ms();
        break;
    }
}

void LineArbiter::sent(double endMs) {
    // Its instrument's slave time-out is the sender's own to keep: a master asks again only
    // after its answer wait, which outlasts it.
    m_earliestMs = endMs;
}

bool LineArbiter::mayStart(double nowMs, bool busy) const {
    return !busy && nowMs >= m_earliestMs;
}

} // namespace protocol
