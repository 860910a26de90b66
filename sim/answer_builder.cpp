#include "sim/answer_builder.h"

#include "protocol/hart_frame.h"

#include <algorithm>

namespace sim {

namespace {

constexpr quint8 kExpansionCode = 254;
constexpr double kLowSaturationMa = 3.8;
constexpr double kHighSaturationMa = 20.5;
constexpr quint8 kProcessAutomationProfile = 1;

void appendByte(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
}

} // namespace

QByteArray buildAnswer(const Request& request, int preambles, quint8 responseCode,
                       quint8 deviceStatus, const QByteArray& data) {
    protocol::HartFrame answer;
    answer.delimiter =
        request.longFrame ? protocol::kLongAnswerDelimiter : protocol::kShortAnswerDelimiter;
    answer.address = request.address;
    answer.command = request.command;
    answer.responseCode = responseCode;
    answer.deviceStatus = deviceStatus;
    answer.data = data;
    return answer.encode(preambles);
}

QByteArray commandZeroData(const InstrumentConfig& c) {
    QByteArray data;
    appendByte(data, kExpansionCode);
    appendByte(data, c.manufacturer);
    appendByte(data, c.deviceType);
    appendByte(data, c.preambles);
    appendByte(data, c.hartRevision);
    appendByte(data, c.deviceRevision);
    appendByte(data, c.softwareRevision);
    if (c.hartRevision >= 7)
        appendByte(data, (c.hardwareRevision << 3) | (c.physicalSignaling & 0x07));
    else
        appendByte(data, c.hardwareRevision);
    appendByte(data, c.flags);
    for (const quint8 b : c.deviceId)
        appendByte(data, b);
    if (c.hartRevision >= 7) {
        appendByte(data, c.preambles); // preambles this instrument sends
        appendByte(data, kMaxVariables - 1);
        appendByte(data, c.configChangeCounter >> 8);
        appendByte(data, c.configChangeCounter);
        appendByte(data, 0); // extended field device status
        appendByte(data, 0); // 16-bit manufacturer code
        appendByte(data, c.manufacturer);
        appendByte(data, 0); // 16-bit private label distributor code
        appendByte(data, c.manufacturer);
        appendByte(data, kProcessAutomationProfile);
    }
    return data;
}

QByteArray commandThirteenData(const InstrumentConfig& c) {
    QByteArray data = protocol::packAscii(c.tag, 8);
    data.append(protocol::packAscii(c.descriptor, 16));
    appendByte(data, c.date.day());
    appendByte(data, c.date.month());
    appendByte(data, c.date.year() - 1900);
    return data;
}

QByteArray commandThreeData(const InstrumentConfig& c, double seconds) {
    const double pv =
        c.variables.empty() ? c.rangeLower : c.variables.front().wave.valueAt(seconds);
    QByteArray data = protocol::encodeFloat(float(loopCurrent(c, pv)));
    for (const VariableConfig& v : c.variables) {
        appendByte(data, v.units);
        data.append(protocol::encodeFloat(float(v.wave.valueAt(seconds))));
    }
    return data;
}

double loopCurrent(const InstrumentConfig& c, double pv) {
    const double span = c.rangeUpper - c.rangeLower;
    const double ma = span == 0.0 ? 4.0 : 4.0 + 16.0 * (pv - c.rangeLower) / span;
    return std::clamp(ma, kLowSaturationMa, kHighSaturationMa);
}

} // namespace sim
