#pragma once

#include "sim/instrument_config.h"
#include "sim/request_framer.h"

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace sim {

// One request heard on the line and what the loop said to it (empty: silence).
struct Exchange {
    Request request;
    QByteArray answer;
};

// The instruments on one line: takes the bytes the master sent, returns the answers. Time comes
// from the caller, in milliseconds since start; it drives the waveforms and the framer's gap.
class Loop {
public:
    explicit Loop(LoopConfig config);

    std::vector<Exchange> receive(const QByteArray& bytes, qint64 nowMs);

    // Every answer of `receive` in order, for callers that only need the bytes.
    QByteArray answerBytes(const QByteArray& bytes, qint64 nowMs);

    int instrumentCount() const { return static_cast<int>(m_instruments.size()); }

private:
    struct Instrument {
        InstrumentConfig config;
        int answersSent = 0;
    };

    Instrument* addressed(const Request& request);
    QByteArray answer(Instrument& instrument, const Request& request, qint64 nowMs);
    // The field device status of answer number `answerNumber`, `seconds` into the run.
    static quint8 deviceStatus(const InstrumentConfig& c, int answerNumber, double seconds);

    std::vector<Instrument> m_instruments;
    RequestFramer m_framer;
};

// Whether long address `address` (5 bytes) names `config`: bits 7 and 6 of the first byte
// are the master and burst bits and take no part, the other 38 bits must match.
bool matchesLongAddress(const InstrumentConfig& config, const QByteArray& address);

} // namespace sim
