#include "sim/gateway.h"

#include "sim/default_loop.h"

#include "protocol/hart_frame.h"
#include "protocol/sub_device_frame.h"

namespace sim {

namespace {

constexpr int kChannelsPerCard = 8;
constexpr quint8 kManufacturer = 0x26;
constexpr int kDelayedEvery = 4;         // every fourth instrument answers late
constexpr qint64 kDelayedForMs = 400;    // until its answer is ready
constexpr qint64 kLeavesEveryMs = 60000; // the last instrument is gone for the last
constexpr qint64 kGoneForMs = 20000;     // 20 s of each minute
constexpr quint8 kMoreStatusAvailable = 0x10;
constexpr int kAdditionalStatus = 48;
constexpr quint8 kDelayedResponseInitiated = 33;
constexpr quint8 kDelayedResponseRunning = 34;
constexpr quint8 kInvalidSelection = 2;
constexpr quint8 kTooFewDataBytes = 5;

constexpr quint8 kKilopascal = 12;
constexpr quint8 kDegreesCelsius = 32;

InstrumentConfig gatewayItself() {
    InstrumentConfig c;
    c.hartRevision = 7;
    c.manufacturer = kManufacturer;
    c.deviceType = 0xE1;
    c.deviceId = {0x0A, 0x00, 0x01};
    c.preambles = 5;
    c.tag = QStringLiteral("GW-1");
    c.descriptor = QStringLiteral("WIRELESS GATEWAY");
    c.details.longTag = QStringLiteral("Wireless gateway, unit 1");
    return c;
}

InstrumentConfig subDevice(int index) {
    InstrumentConfig c;
    c.hartRevision = 7;
    c.manufacturer = kManufacturer;
    c.deviceType = quint8(0x30 + index % 3);
    c.deviceId = {0x0B, quint8(index >> 8), quint8(index & 0xFF)};
    c.preambles = 5;
    c.tag = QStringLiteral("WT-%1").arg(index, 3, 10, QLatin1Char('0'));
    c.descriptor = QStringLiteral("WIRELESS TRANSMITTER");
    c.details.longTag = QStringLiteral("Wireless transmitter %1").arg(index);
    c.details.loopCurrentMode = 0; // wireless: no loop current
    c.variables = {sine(kKilopascal, 90.0 + index, 110.0 + index, 60.0 + index),
                   sine(kDegreesCelsius, 20.0, 25.0, 300.0)};
    return c;
}

std::vector<InstrumentConfig> subDevices(int count) {
    std::vector<InstrumentConfig> configs;
    for (int index = 1; index <= count; ++index)
        configs.push_back(subDevice(index));
    return configs;
}

QByteArray uniqueAddressOf(const InstrumentConfig& c) {
    QByteArray address;
    address += char(c.manufacturer & 0x3F);
    address += char(c.deviceType);
    for (const quint8 byte : c.deviceId)
        address += char(byte);
    return address;
}

// An answer to `request` from whoever it named: its address echoed.
QByteArray reply(const protocol::HartFrame& request, quint8 responseCode, const QByteArray& data) {
    protocol::HartFrame answer;
    answer.delimiter =
        request.longAddress() ? protocol::kLongAnswerDelimiter : protocol::kShortAnswerDelimiter;
    answer.address = request.address;
    answer.command = request.command;
    answer.responseCode = responseCode;
    answer.deviceStatus = 0;
    answer.data = data;
    return answer.encode();
}

QByteArray withoutPreamble(QByteArray bytes) {
    while (bytes.startsWith('\xFF'))
        bytes.remove(0, 1);
    return bytes;
}

} // namespace

Gateway::Gateway(int count)
    : m_self(gatewayItself()), m_own({m_self}), m_configs(subDevices(count)),
      m_subDevices(m_configs) {}

QByteArray Gateway::answer(const QByteArray& frame, qint64 nowMs) {
    const protocol::HartFrame request = protocol::HartFrame::parse(frame);
    if (!request.sound())
        return {};
    noticeChange(nowMs);
    if (!request.longAddress()) { // the gateway is polling address 0; nobody else answers short
        if (request.pollingAddress() != 0)
            return {};
        if (request.command == kAdditionalStatus)
            return additionalStatus(request);
        return withStatus(withoutPreamble(m_own.answerBytes(QByteArray(2, '\xFF') + frame, nowMs)));
    }
    if (request.uniqueAddress() == uniqueAddressOf(m_self))
        return withStatus(ownAnswer(request, nowMs));
    if (const int index = indexOf(request.uniqueAddress()))
        return subDeviceAnswer(index, frame, nowMs);
    return {};
}

QByteArray Gateway::ownAnswer(const protocol::HartFrame& request, qint64 nowMs) {
    constexpr int kReadIoSystemCapabilities = 74;
    constexpr int kReadSubDeviceIdentity = 84;
    switch (request.command) {
    case kReadIoSystemCapabilities: {
        const int cards = (count() + kChannelsPerCard - 1) / kChannelsPerCard;
        QByteArray data;
        data += char(cards);
        data += char(kChannelsPerCard);
        data += char(1); // sub-devices per channel
        data += protocol::bigEndian(quint32(listed(nowMs) + 1), 2);
        data += char(4); // delayed responses at once
        data += char(1); // primary master
        data += char(3); // retries
        return reply(request, 0, data);
    }
    case kReadSubDeviceIdentity: {
        if (request.data.size() < 2)
            return reply(request, kTooFewDataBytes, {});
        const int index = (quint8(request.data[0]) << 8) | quint8(request.data[1]);
        if (index > listed(nowMs))
            return reply(request, kInvalidSelection, {});
        const InstrumentConfig& c = index == 0 ? m_self : m_configs[size_t(index - 1)];
        const int place = index == 0 ? 0 : index - 1;
        QByteArray data = protocol::bigEndian(quint32(index), 2);
        data += char(index == 0 ? 0 : place / kChannelsPerCard);
        data += char(index == 0 ? 0 : place % kChannelsPerCard);
        data += protocol::bigEndian(c.manufacturer, 2);
        data += char(c.manufacturer);
        data += char(c.deviceType);
        for (const quint8 byte : c.deviceId)
            data += char(byte);
        data += char(c.hartRevision);
        data += c.details.longTag.toLatin1().leftJustified(32, '\0', true);
        return reply(request, 0, data);
    }
    case protocol::kSendCommandToSubDevice:
        return throughCommand77(request, nowMs);
    case kAdditionalStatus:
        return additionalStatus(request);
    default:
        return withoutPreamble(m_own.answerBytes(QByteArray(2, '\xFF') + request.encode(), nowMs));
    }
}

QByteArray Gateway::throughCommand77(const protocol::HartFrame& request, qint64 nowMs) {
    constexpr int kHeader = 3; // card, channel, preambles
    if (request.data.size() < kHeader + 4)
        return reply(request, kTooFewDataBytes, {});
    const int card = quint8(request.data[0]);
    const int channel = quint8(request.data[1]);
    const int index = card * kChannelsPerCard + channel + 1;
    if (index > count())
        return reply(request, kInvalidSelection, {});
    // The carried frame has no check byte: it is made here, as on the gateway's own line.
    QByteArray carried = request.data.mid(kHeader);
    carried += char(protocol::checkByte(carried));
    const QByteArray answered = subDeviceAnswer(index, carried, nowMs);
    if (answered.isEmpty())
        return {};
    QByteArray data;
    data += char(card);
    data += char(channel);
    data += answered.chopped(1);
    return reply(request, 0, data);
}

QByteArray Gateway::subDeviceAnswer(int index, const QByteArray& frame, qint64 nowMs) {
    if (!present(index, nowMs))
        return {};
    const protocol::HartFrame request = protocol::HartFrame::parse(frame);
    if (index % kDelayedEvery == 0 && request.command != 0) {
        // Answered late: the first ask starts the work, asks meanwhile hear that it runs.
        auto it = m_delayed.find(index);
        if (it == m_delayed.end() || it->second.request != frame) {
            m_delayed[index] = {frame, nowMs + kDelayedForMs};
            return reply(request, kDelayedResponseInitiated, {});
        }
        if (nowMs < it->second.readyMs)
            return reply(request, kDelayedResponseRunning, {});
        m_delayed.erase(it);
    }
    return withoutPreamble(m_subDevices.answerBytes(QByteArray(2, '\xFF') + frame, nowMs));
}

int Gateway::indexOf(const QByteArray& uniqueAddress) const {
    for (size_t k = 0; k < m_configs.size(); ++k)
        if (uniqueAddressOf(m_configs[k]) == uniqueAddress)
            return int(k) + 1;
    return 0;
}

bool Gateway::present(int index, qint64 nowMs) const {
    return index != count() || nowMs % kLeavesEveryMs < kLeavesEveryMs - kGoneForMs;
}

int Gateway::listed(qint64 nowMs) const {
    return present(count(), nowMs) ? count() : count() - 1;
}

void Gateway::noticeChange(qint64 nowMs) {
    const bool now = present(count(), nowMs);
    if (now != m_lastPresent)
        m_listChanged = true;
    m_lastPresent = now;
}

QByteArray Gateway::withStatus(const QByteArray& answer) const {
    if (!m_listChanged || answer.isEmpty())
        return answer;
    protocol::HartFrame frame = protocol::HartFrame::parse(answer);
    frame.deviceStatus |= kMoreStatusAvailable;
    return frame.encode();
}

// Command 48: standardized status 2 (byte 11), bit 0, says the list changed. Reading it clears it.
QByteArray Gateway::additionalStatus(const protocol::HartFrame& request) {
    constexpr int kBytes = 25;
    constexpr int kStandardizedStatus2 = 11;
    QByteArray data(kBytes, '\0');
    data[kStandardizedStatus2] = char(m_listChanged ? 0x01 : 0x00);
    m_listChanged = false;
    return reply(request, 0, data);
}

} // namespace sim
