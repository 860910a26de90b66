#include "sim/request_framer.h"

#include "protocol/hart_frame.h"

namespace sim {

namespace {

constexpr int kMinPreambles = 2;

} // namespace

std::vector<Request> RequestFramer::feed(const QByteArray& bytes, qint64 nowMs) {
    std::vector<Request> out;
    if (bytes.isEmpty())
        return out;
    if (m_haveLastByte && nowMs - m_lastByteMs > kFrameGapMs && m_state != State::Hunting)
        restart();
    m_lastByteMs = nowMs;
    m_haveLastByte = true;
    for (const char c : bytes)
        take(static_cast<quint8>(c), out);
    return out;
}

void RequestFramer::restart() {
    m_state = State::Hunting;
    m_preambles = 0;
    m_request = Request();
    m_dataLeft = 0;
}

void RequestFramer::take(quint8 byte, std::vector<Request>& out) {
    switch (m_state) {
    case State::Hunting:
        if (byte == protocol::kPreambleByte) {
            ++m_preambles;
            return;
        }
        if (m_preambles >= kMinPreambles &&
            (byte == protocol::kShortDelimiter || byte == protocol::kLongDelimiter)) {
            m_request = Request();
            m_request.longFrame = byte == protocol::kLongDelimiter;
            m_request.raw = QByteArray(m_preambles, static_cast<char>(protocol::kPreambleByte));
            m_request.raw.append(static_cast<char>(byte));
            m_state = State::Address;
            return;
        }
        m_preambles = 0;
        return;
    case State::Address:
        m_request.address.append(static_cast<char>(byte));
        if (m_request.address.size() == (m_request.longFrame ? 5 : 1))
            m_state = State::Command;
        break;
    case State::Command:
        m_request.command = byte;
        m_state = State::ByteCount;
        break;
    case State::ByteCount:
        m_dataLeft = byte;
        m_state = m_dataLeft > 0 ? State::Data : State::Check;
        break;
    case State::Data:
        m_request.data.append(static_cast<char>(byte));
        if (--m_dataLeft == 0)
            m_state = State::Check;
        break;
    case State::Check: {
        // The check covers the delimiter up to the byte before the check byte.
        const QByteArray body = m_request.raw.mid(m_preambles);
        m_request.checkOk = protocol::checkByte(body) == byte;
        m_request.raw.append(static_cast<char>(byte));
        out.push_back(m_request);
        restart();
        return;
    }
    }
    m_request.raw.append(static_cast<char>(byte));
}

} // namespace sim
