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
    int turnaroundMs = 20; // the answering instrument's
};

// The instruments on one line: takes the bytes the master sent, returns the answers. Time comes
// from the caller, in milliseconds since start; it drives the waveforms and the framer's gap.
class Loop {
public:
    explicit Loop(LoopConfig config);

    std::vector<Exchange> receive(const QByteArray& bytes, qint64 nowMs);
    // The same for what the other master on a shared line sends, framed apart.
    std::vector<Exchange> receiveFromOtherMaster(const QByteArray& bytes, qint64 nowMs);

    // The request a master (`primary` or not) sends for `command` to the instrument at
    // polling address `address`, in the long form; empty when none is there.
    QByteArray requestTo(int address, int command, bool primary) const;
    // The burst frame of the instrument at `address`: the answer to its burst command, sent
    // on its own, naming the primary or the secondary master; empty when it does not burst.
    QByteArray burstFrame(int address, bool namesPrimary, qint64 nowMs);
    const InstrumentConfig* instrumentAt(int address) const;

    // Every answer of `receive` in order, for callers that only need the bytes.
    QByteArray answerBytes(const QByteArray& bytes, qint64 nowMs);

    int instrumentCount() const { return static_cast<int>(m_instruments.size()); }

private:
    struct Instrument {
        InstrumentConfig config;
        int answersSent = 0;
    };

    std::vector<Exchange> receive(RequestFramer& framer, const QByteArray& bytes, qint64 nowMs);
    Instrument* addressed(const Request& request);
    QByteArray answer(Instrument& instrument, const Request& request, qint64 nowMs);
    // The field device status of answer number `answerNumber`, `seconds` into the run.
    static quint8 deviceStatus(const InstrumentConfig& c, int answerNumber, double seconds);

    std::vector<Instrument> m_instruments;
    RequestFramer m_framer;
    RequestFramer m_otherMasterFramer;
};

// The five address bytes that name `config`, with the master and burst bits as given.
QByteArray longAddressOf(const InstrumentConfig& config, bool primary, bool burst);

// Whether long address `address` (5 bytes) names `config`: bits 7 and 6 of the first byte
// are the master and burst bits and take no part, the other 38 bits must match.
bool matchesLongAddress(const InstrumentConfig& config, const QByteArray& address);

} // namespace sim
