#include "line_framer.h"

#include <algorithm>

namespace protocol {

namespace {

constexpr int kLeastPreambles = 2; // what a receiver needs to have locked on

bool isDelimiter(quint8 byte) {
    // Asynchronous physical layer, no expansion bytes: a burst, request or answer, with a short
    // or a long address.
    const quint8 type = byte & ~kLongAddressFlag;
    return type == quint8(FrameType::Burst) || type == quint8(FrameType::Request) ||
           type == quint8(FrameType::Answer);
}

} // namespace

LineFramer::LineFramer(MasterRole role, Sink sink, double maxGapMs)
    : m_role(role), m_sink(std::move(sink)), m_maxGapMs(maxGapMs) {}

void LineFramer::feed(const QByteArray& bytes, double readAtMs) {
    const int count = int(bytes.size());
    for (int k = 0; k < count; ++k) {
        // Back to back within what one read brought, never before the byte heard last, and
        // never after the read: a line faster than 1200 bit/s (a simulator) packs them closer.
        double endMs = readAtMs - (count - 1 - k) * kCharacterMs;
        if (m_lastEndMs > 0 || busy())
            endMs = std::min(std::max(endMs, m_lastEndMs + kCharacterMs), readAtMs);
        take(quint8(bytes.at(k)), endMs);
    }
}

void LineFramer::quietUntil(double nowMs) {
    if (busy() && nowMs - m_lastEndMs > m_maxGapMs)
        finish(m_delimiterAt < 0 ? HeardFrame::Kind::Garbage : HeardFrame::Kind::Broken);
}

void LineFramer::take(quint8 byte, double endMs) {
    const double startMs = endMs - kCharacterMs;
    if (busy() && startMs - m_lastEndMs > m_maxGapMs)
        finish(m_delimiterAt < 0 ? HeardFrame::Kind::Garbage : HeardFrame::Kind::Broken);
    // A preamble byte after noise may begin a frame: the noise ends there.
    if (m_inNoise && byte == kPreambleByte)
        finish(HeardFrame::Kind::Garbage);
    if (!busy())
        m_startMs = startMs;
    m_lastEndMs = endMs;
    m_bytes.append(char(byte));

    if (m_delimiterAt >= 0) {
        const int length = expectedLength();
        if (length > 0 && m_bytes.size() >= length) {
            const HartFrame frame = HartFrame::parse(m_bytes);
            finish(frame.sound() ? classify(frame) : HeardFrame::Kind::Broken);
        }
        return;
    }
    if (m_inNoise)
        return;
    if (byte == kPreambleByte) {
        ++m_preambles;
        return;
    }
    if (m_preambles >= kLeastPreambles && isDelimiter(byte)) {
        m_delimiterAt = int(m_bytes.size()) - 1;
        return;
    }
    m_inNoise = true; // the preamble heard so far, if any, was noise as well
}

int LineFramer::expectedLength() const {
    const quint8 delimiter = quint8(m_bytes.at(m_delimiterAt));
    const int addressLength = (delimiter & kLongAddressFlag) ? kLongAddressLength : 1;
    const int byteCountAt = m_delimiterAt + 1 + addressLength + 1;
    if (m_bytes.size() <= byteCountAt)
        return -1;
    return byteCountAt + 1 + quint8(m_bytes.at(byteCountAt)) + 1;
}

HeardFrame::Kind LineFramer::classify(const HartFrame& frame) const {
    const bool namesUs = (frame.masterBit() == 1) == (m_role == MasterRole::Primary);
    switch (frame.type()) {
    case FrameType::Request:
        return namesUs ? HeardFrame::Kind::OurRequest : HeardFrame::Kind::OtherRequest;
    case FrameType::Answer:
        return namesUs ? HeardFrame::Kind::AnswerToUs : HeardFrame::Kind::AnswerToOther;
    case FrameType::Burst:
        return HeardFrame::Kind::Burst;
    case FrameType::Other:
        break;
    }
    return HeardFrame::Kind::Broken;
}

void LineFramer::finish(HeardFrame::Kind kind) {
    HeardFrame heard;
    heard.kind = kind;
    heard.bytes = m_bytes;
    heard.frame = HartFrame::parse(m_bytes);
    heard.startMs = m_startMs;
    heard.endMs = m_lastEndMs;
    m_bytes.clear();
    m_preambles = 0;
    m_delimiterAt = -1;
    m_inNoise = false;
    if (m_sink)
        m_sink(heard);
}

} // namespace protocol
