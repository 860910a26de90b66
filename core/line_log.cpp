#include "core/line_log.h"

namespace core {

void LineLog::add(const protocol::HeardFrame& heard, bool sent, qint64 timeUs) {
    using Heard = protocol::HeardFrame::Kind;
    const protocol::HartFrame& frame = heard.frame;
    LineEntry e;
    e.number = ++m_total;
    e.timeUs = timeUs;
    e.sent = sent;
    switch (heard.kind) {
    case Heard::OurRequest:
    case Heard::OtherRequest:
        e.kind = LineEntry::Kind::Request;
        break;
    case Heard::AnswerToUs:
    case Heard::AnswerToOther:
        e.kind = LineEntry::Kind::Answer;
        break;
    case Heard::Burst:
        e.kind = LineEntry::Kind::Burst;
        break;
    case Heard::Broken:
    case Heard::Garbage:
        e.kind = LineEntry::Kind::Broken;
        break;
    }
    e.masterBit = frame.masterBit();
    if (frame.longAddress()) {
        if (frame.address.size() == protocol::kLongAddressLength)
            e.longAddress = frame.uniqueAddress();
    } else {
        e.pollingAddress = frame.pollingAddress();
    }
    e.command = frame.command;
    e.responseCode = frame.responseCode;
    e.deviceStatus = frame.deviceStatus;
    e.byteCount = frame.byteCount;
    e.checkRight = frame.sound();
    e.bytes = heard.bytes;
    if (m_lastEndMs >= 0)
        e.gapMs = heard.startMs - m_lastEndMs;
    m_lastEndMs = heard.endMs;
    const size_t master = e.masterBit == 0 ? 0 : 1;
    if (e.kind == LineEntry::Kind::Request && e.masterBit >= 0)
        m_requestEndMs[master] = heard.endMs;
    else if (e.kind == LineEntry::Kind::Answer && e.masterBit >= 0 && m_requestEndMs[master] >= 0) {
        e.turnaroundMs = heard.startMs - m_requestEndMs[master];
        m_requestEndMs[master] = -1; // one answer a request
    }
    const bool dropped = m_entries.size() >= size_t(kKept);
    if (dropped)
        m_entries.pop_front();
    m_entries.push_back(e);
    emit added(m_entries.back(), dropped);
}

} // namespace core
