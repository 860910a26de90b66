#pragma once

#include "hart_frame.h"
#include "master_role.h"

#include <QByteArray>
#include <QtGlobal>

#include <functional>

namespace protocol {

// One character on the line: a start bit, eight data bits, odd parity and a stop bit at
// 1200 bit/s.
constexpr double kCharacterMs = 11.0 * 1000.0 / 1200.0;

// A frame heard on the line, whoever sent it, and when.
struct HeardFrame {
    enum class Kind {
        OurRequest,    // a request naming our master role (our own, heard back)
        OtherRequest,  // a request from the other master
        AnswerToUs,    // an answer naming our master role
        AnswerToOther, // an answer to the other master
        Burst,         // sent by an instrument in burst mode, naming the master it grants
        Broken,        // began as a frame, but a gap, a bad check byte or a cut ended it
        Garbage,       // bytes that never began a frame (noise, a preamble alone)
    };
    Kind kind = Kind::Garbage;
    QByteArray bytes;   // as heard, preamble included
    HartFrame frame;    // taken apart (for Garbage: as far as it goes)
    double startMs = 0; // when its first byte began
    double endMs = 0;   // when its last byte ended
    // For frames with an address: the master bit set (the primary is named).
    bool namesPrimary() const { return frame.masterBit() == 1; }
};

// Finds the frames in what the line carries, as it arrives, and classes them for a master of
// `role`. Bytes come in chunks as the port delivers them, stamped with when the chunk was read;
// within a chunk they are taken to have come back to back, the last ending at the stamp. A frame
// is whole when its check byte came; a silence longer than `maxGapMs` inside it, or a byte
// that cannot follow, ends it as broken. Nothing here reads a port or a clock.
class LineFramer {
public:
    using Sink = std::function<void(const HeardFrame&)>;

    LineFramer(MasterRole role, Sink sink, double maxGapMs = kCharacterMs);

    void setRole(MasterRole role) { m_role = role; }
    // `bytes` read at `readAtMs` (any clock that only goes forward, in milliseconds).
    void feed(const QByteArray& bytes, double readAtMs);
    // The line has been quiet until `nowMs`: a frame begun and left unfinished for longer than
    // the gap ends as broken.
    void quietUntil(double nowMs);
    // Whether some frame has begun and not yet ended: the line is in use.
    bool busy() const { return !m_bytes.isEmpty(); }
    // What has come of the frame being heard, preamble included.
    const QByteArray& pendingBytes() const { return m_bytes; }

private:
    void take(quint8 byte, double endMs);
    void finish(HeardFrame::Kind kind);
    HeardFrame::Kind classify(const HartFrame& frame) const;
    int expectedLength() const; // the whole frame's length once its byte count came; else -1

    MasterRole m_role;
    Sink m_sink;
    double m_maxGapMs;
    QByteArray m_bytes;     // of the frame being heard, preamble included
    int m_preambles = 0;    // 0xFF bytes before the delimiter
    int m_delimiterAt = -1; // index of the delimiter in m_bytes; -1 while in the preamble
    bool m_inNoise = false; // bytes that began no frame, up to the next preamble byte or gap
    double m_startMs = 0;
    double m_lastEndMs = 0;
};

} // namespace protocol
