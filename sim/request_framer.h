#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace sim {

// One master request as it came over the line.
struct Request {
    bool longFrame = false;
    QByteArray address; // 1 byte (short frame) or 5 bytes (long frame), as received
    quint8 command = 0;
    QByteArray data;
    bool checkOk = false;
    QByteArray raw; // the preamble bytes seen, delimiter, ..., check byte
};

// Cuts master requests out of the received byte stream the way a field instrument listens:
// at least two 0xFF, then a master delimiter (0x02 or 0x82), address, command, byte count,
// data and check byte. Anything else is skipped until the next preamble. A pause in the
// middle of a frame longer than kFrameGapMs drops the part received so far, so a torn frame
// cannot swallow the start of the next request.
class RequestFramer {
public:
    static constexpr qint64 kFrameGapMs = 100;

    // Bytes in any chunking; `nowMs` is the time the chunk arrived.
    std::vector<Request> feed(const QByteArray& bytes, qint64 nowMs);

private:
    enum class State { Hunting, Address, Command, ByteCount, Data, Check };

    void restart();
    void take(quint8 byte, std::vector<Request>& out);

    State m_state = State::Hunting;
    int m_preambles = 0;
    Request m_request;
    int m_dataLeft = 0;
    qint64 m_lastByteMs = 0;
    bool m_haveLastByte = false;
};

} // namespace sim
