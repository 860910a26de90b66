#include "sim/loop.h"

#include "sim/answer_builder.h"

#include "protocol/hart_frame.h"

#include <utility>

namespace sim {

namespace {

using protocol::kAddressBits; // without the master (7) and burst (6) bits

} // namespace

bool matchesLongAddress(const InstrumentConfig& c, const QByteArray& address) {
    if (address.size() != 5)
        return false;
    const auto byte = [&](int i) { return static_cast<quint8>(address.at(i)); };
    return (byte(0) & kAddressBits) == (c.manufacturer & kAddressBits) && byte(1) == c.deviceType &&
           byte(2) == c.deviceId[0] && byte(3) == c.deviceId[1] && byte(4) == c.deviceId[2];
}

QByteArray longAddressOf(const InstrumentConfig& c, bool primary, bool burst) {
    QByteArray address;
    address.append(char((c.manufacturer & kAddressBits) | (primary ? protocol::kMasterBit : 0) |
                        (burst ? protocol::kBurstBit : 0)));
    address.append(char(c.deviceType));
    for (const quint8 byte : c.deviceId)
        address.append(char(byte));
    return address;
}

Loop::Loop(LoopConfig config) {
    for (InstrumentConfig& c : config)
        m_instruments.push_back({std::move(c), 0});
}

std::vector<Exchange> Loop::receive(const QByteArray& bytes, qint64 nowMs) {
    return receive(m_framer, bytes, nowMs);
}

std::vector<Exchange> Loop::receiveFromOtherMaster(const QByteArray& bytes, qint64 nowMs) {
    return receive(m_otherMasterFramer, bytes, nowMs);
}

const InstrumentConfig* Loop::instrumentAt(int address) const {
    for (const Instrument& instrument : m_instruments)
        if (instrument.config.address == address)
            return &instrument.config;
    return nullptr;
}

QByteArray Loop::requestTo(int address, int command, bool primary) const {
    const InstrumentConfig* c = instrumentAt(address);
    if (!c)
        return {};
    protocol::HartFrame request;
    request.command = command;
    if (command == 0) { // found by its polling address, as a master first finds an instrument
        request.delimiter = protocol::kShortDelimiter;
        request.address = QByteArray(1, char(address | (primary ? protocol::kMasterBit : 0)));
    } else {
        request.delimiter = protocol::kLongDelimiter;
        request.address = longAddressOf(*c, primary, false);
    }
    return request.encode(5);
}

QByteArray Loop::burstFrame(int address, bool namesPrimary, qint64 nowMs) {
    for (Instrument& instrument : m_instruments) {
        const InstrumentConfig& c = instrument.config;
        if (c.address != address || !c.burst)
            continue;
        // Answered as a request naming that master would be, then sent as a burst frame.
        Request asked;
        asked.longFrame = true;
        asked.address = longAddressOf(c, namesPrimary, true);
        asked.command = quint8(c.burst->command);
        for (const quint8 code : c.burst->variables) // what commands 9 and 33 carry
            asked.data.append(char(code));
        QByteArray frame = answer(instrument, asked, nowMs);
        if (frame.isEmpty())
            return {};
        protocol::HartFrame burst = protocol::HartFrame::parse(frame);
        burst.delimiter = protocol::kLongBurstDelimiter;
        return burst.encode(burst.preambleLength);
    }
    return {};
}

std::vector<Exchange> Loop::receive(RequestFramer& framer, const QByteArray& bytes, qint64 nowMs) {
    std::vector<Exchange> out;
    for (Request& request : framer.feed(bytes, nowMs)) {
        Exchange exchange;
        if (request.checkOk) {
            if (Instrument* instrument = addressed(request)) {
                exchange.answer = answer(*instrument, request, nowMs);
                exchange.turnaroundMs = instrument->config.turnaroundMs;
            }
        }
        exchange.request = std::move(request);
        out.push_back(std::move(exchange));
    }
    return out;
}

QByteArray Loop::answerBytes(const QByteArray& bytes, qint64 nowMs) {
    QByteArray out;
    for (const Exchange& e : receive(bytes, nowMs))
        out.append(e.answer);
    return out;
}

Loop::Instrument* Loop::addressed(const Request& request) {
    for (Instrument& instrument : m_instruments) {
        if (request.longFrame) {
            if (matchesLongAddress(instrument.config, request.address))
                return &instrument;
        } else if (request.command == 0 && (static_cast<quint8>(request.address.at(0)) &
                                            kAddressBits) == instrument.config.address) {
            // A short frame identifies the instrument and carries nothing else.
            return &instrument;
        }
    }
    return nullptr;
}

quint8 Loop::deviceStatus(const InstrumentConfig& c, int answerNumber, double seconds) {
    using namespace protocol::device_status;
    quint8 status = c.faults.deviceStatus;
    if (c.faults.moreStatus)
        status |= kMoreStatusAvailable;
    if (c.faults.fixedCurrentMa)
        status |= kLoopCurrentFixed;
    if (c.faults.configChangedAfter > 0 && answerNumber >= c.faults.configChangedAfter)
        status |= kConfigurationChanged;
    if (c.faults.pvHighLimit && !c.variables.empty() &&
        c.variables.front().wave.valueAt(seconds) > *c.faults.pvHighLimit)
        status |= kPrimaryOutOfLimits;
    return status;
}

QByteArray Loop::answer(Instrument& instrument, const Request& request, qint64 nowMs) {
    const InstrumentConfig& c = instrument.config;
    if (c.faults.silentCommands.contains(request.command))
        return {};
    if (c.faults.leaveAfter > 0 && instrument.answersSent >= c.faults.leaveAfter)
        return {}; // gone from the loop
    quint8 responseCode = c.faults.responseCode;
    QByteArray data;
    switch (request.command) {
    case 0:
        data = commandZeroData(c);
        break;
    case 3:
        data = commandThreeData(c, nowMs / 1000.0);
        break;
    case 13:
        data = commandThirteenData(c);
        break;
    default:
        if (std::optional<QByteArray> detail =
                detailData(c, request.command, request.data, nowMs / 1000.0))
            data = *detail;
        else
            responseCode = kCommandNotImplemented;
        break;
    }
    ++instrument.answersSent;
    QByteArray frame = buildAnswer(request, c.preambles, responseCode,
                                   deviceStatus(c, instrument.answersSent, nowMs / 1000.0), data);
    const int every = c.faults.corruptCheckEvery;
    if (every > 0 && instrument.answersSent % every == 0)
        frame.back() = static_cast<char>(~static_cast<quint8>(frame.back()));
    return frame;
}

} // namespace sim
