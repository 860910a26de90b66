#include "sim/answer_builder.h"

#include "protocol/hart_frame.h"

#include <algorithm>
#include <cmath>

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

namespace {

double primaryValue(const InstrumentConfig& c, double seconds) {
    return c.variables.empty() ? c.rangeLower : c.variables.front().wave.valueAt(seconds);
}

quint8 primaryUnits(const InstrumentConfig& c) {
    return c.variables.empty() ? 0 : c.variables.front().units;
}

// The current on the wire: 4 mA in multidrop, else the range's, moved by a drift, or held.
double sentCurrent(const InstrumentConfig& c, double seconds) {
    if (isMultidrop(c))
        return kMultidropCurrentMa;
    if (c.faults.fixedCurrentMa)
        return *c.faults.fixedCurrentMa;
    return loopCurrent(c, primaryValue(c, seconds)) + c.faults.analogDriftMa;
}

void appendUnsigned24(QByteArray& out, quint32 value) {
    appendByte(out, int(value >> 16));
    appendByte(out, int(value >> 8));
    appendByte(out, int(value));
}

void appendFloat(QByteArray& out, double value) {
    out.append(protocol::encodeFloat(float(value)));
}

// One device variable as commands 9 and 33 report it: 0 to 3 the instrument's own variables,
// 246 to 249 the dynamic variables mapped onto them one to one, 245 the loop current and 244 the
// percent of range.
struct Slot {
    quint8 classification;
    quint8 units;
    double value;
};
std::optional<Slot> slotOf(const InstrumentConfig& c, int code, double seconds) {
    constexpr quint8 kNotClassified = 0;
    constexpr quint8 kMilliamperes = 39;
    constexpr quint8 kPercent = 57;
    if (code == 245)
        return Slot{kNotClassified, kMilliamperes, sentCurrent(c, seconds)};
    if (code == 244) {
        const double span = c.rangeUpper - c.rangeLower;
        const double pv = primaryValue(c, seconds);
        return Slot{kNotClassified, kPercent,
                    span == 0.0 ? 0.0 : 100.0 * (pv - c.rangeLower) / span};
    }
    const int index = code >= 246 && code <= 249 ? code - 246 : code;
    if (index >= int(c.variables.size()) || index >= 4)
        return std::nullopt;
    const VariableConfig& v = c.variables[size_t(index)];
    return Slot{c.details.classifications[size_t(index)], v.units, v.wave.valueAt(seconds)};
}

} // namespace

QByteArray commandThreeData(const InstrumentConfig& c, double seconds) {
    QByteArray data = protocol::encodeFloat(float(sentCurrent(c, seconds)));
    for (const VariableConfig& v : c.variables) {
        appendByte(data, v.units);
        data.append(protocol::encodeFloat(float(v.wave.valueAt(seconds))));
    }
    return data;
}

bool isMultidrop(const InstrumentConfig& c) {
    // From HART 6 on the loop current mode says so; before, the polling address does.
    return c.hartRevision >= 6 ? c.details.loopCurrentMode == 0 : c.address != 0;
}

double loopCurrent(const InstrumentConfig& c, double pv) {
    const double span = c.rangeUpper - c.rangeLower;
    double fraction = span == 0.0 ? 0.0 : (pv - c.rangeLower) / span;
    if (c.details.transferFunction == 1)
        fraction = std::sqrt(std::max(0.0, fraction));
    return std::clamp(4.0 + 16.0 * fraction, kLowSaturationMa, kHighSaturationMa);
}

std::optional<QByteArray> detailData(const InstrumentConfig& c, int command,
                                     const QByteArray& requestData, double seconds) {
    const DetailsConfig& d = c.details;
    const bool hart7 = c.hartRevision >= 7;
    const double pv = primaryValue(c, seconds);
    QByteArray data;
    switch (command) {
    case 1:
        appendByte(data, primaryUnits(c));
        appendFloat(data, pv);
        return data;
    case 2: {
        const double span = c.rangeUpper - c.rangeLower;
        appendFloat(data, sentCurrent(c, seconds));
        appendFloat(data, span == 0.0 ? 0.0 : 100.0 * (pv - c.rangeLower) / span);
        return data;
    }
    case 7:
        if (!hart7)
            return std::nullopt;
        appendByte(data, c.address);
        appendByte(data, d.loopCurrentMode);
        return data;
    case 8:
        if (!hart7)
            return std::nullopt;
        for (const quint8 code : d.classifications)
            appendByte(data, code);
        return data;
    case 9: {
        if (!hart7)
            return std::nullopt;
        appendByte(data, 0); // extended device status
        for (const char asked : requestData) {
            const int code = static_cast<quint8>(asked);
            const std::optional<Slot> slot = slotOf(c, code, seconds);
            if (!slot)
                continue;
            appendByte(data, code);
            appendByte(data, slot->classification);
            appendByte(data, slot->units);
            appendFloat(data, slot->value);
            appendByte(data, d.variableStatus);
        }
        appendByte(data, 0); // the time of the reading: four bytes, 1/32 ms since midnight
        appendByte(data, 0);
        appendByte(data, 0);
        appendByte(data, 0);
        return data;
    }
    case 12:
        return protocol::packAscii(d.message, 32);
    case 14:
        appendUnsigned24(data, d.sensorSerial);
        appendByte(data, primaryUnits(c));
        appendFloat(data, d.sensorUpper);
        appendFloat(data, d.sensorLower);
        appendFloat(data, d.minimumSpan);
        return data;
    case 15:
        appendByte(data, d.alarmSelection);
        appendByte(data, d.transferFunction);
        appendByte(data, primaryUnits(c));
        appendFloat(data, c.rangeUpper);
        appendFloat(data, c.rangeLower);
        appendFloat(data, d.damping);
        appendByte(data, d.writeProtect);
        appendByte(data, 250); // private label distributor: not used
        if (hart7)
            appendByte(data, 0); // analog channel flags: an output
        return data;
    case 16:
        appendUnsigned24(data, d.finalAssembly);
        return data;
    case 20:
        if (!hart7)
            return std::nullopt;
        return d.longTag.toLatin1().leftJustified(32, '\0', true);
    case 33: // up to four slots, each its code, units and value
        for (const char asked : requestData.left(4)) {
            const int code = static_cast<quint8>(asked);
            const std::optional<Slot> slot = slotOf(c, code, seconds);
            if (!slot)
                continue;
            appendByte(data, code);
            appendByte(data, slot->units);
            appendFloat(data, slot->value);
        }
        return data;
    case 48:
        if (!d.additionalStatus.isEmpty())
            return d.additionalStatus;
        return QByteArray(hart7 ? 14 : 6, '\0');
    case 50:
        for (int k = 0; k < 4; ++k)
            appendByte(data, k);
        return data;
    default:
        return std::nullopt;
    }
}

} // namespace sim
