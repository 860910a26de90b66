#include "hart_ip_wrapping.h"

#include "protocol/hartip_message.h"

#include <QStringList>

namespace capture {

namespace {

constexpr int kFirstUnplacedHost = 101;
constexpr int kLastHost = 253;

} // namespace

HartIpWrapping::HartIpWrapping(PollingAddressOf pollingAddressOf)
    : m_pollingAddressOf(std::move(pollingAddressOf)) {}

quint32 HartIpWrapping::instrumentAddress(const protocol::HartFrame& frame) {
    if (!frame.longAddress()) {
        const int polling = frame.pollingAddress();
        return polling < 0 ? kUnknownSender : kInstruments + quint32(polling + 1);
    }
    const QByteArray unique = frame.uniqueAddress();
    if (unique.size() != protocol::kLongAddressLength)
        return kUnknownSender;
    const auto placed = m_byLongAddress.find(unique);
    if (placed != m_byLongAddress.end())
        return placed->second;
    const int polling = m_pollingAddressOf ? m_pollingAddressOf(unique) : -1;
    if (polling >= 0)
        return m_byLongAddress[unique] = kInstruments + quint32(polling + 1);
    // Not placed yet: a place of its own until its polling address is known.
    const auto unplaced = m_unplaced.find(unique);
    if (unplaced != m_unplaced.end())
        return unplaced->second;
    const int host = qMin(kFirstUnplacedHost + int(m_unplaced.size()), kLastHost);
    return m_unplaced[unique] = kInstruments + quint32(host);
}

CapturedPacket HartIpWrapping::wrap(const protocol::HeardFrame& heard, qint64 startUs, bool sent) {
    using Kind = protocol::HeardFrame::Kind;
    using protocol::hartip::MessageType;
    const protocol::HartFrame& frame = heard.frame;
    const int masterBit = frame.masterBit();
    const Endpoint master{masterBit == 0 ? kSecondaryMaster : kPrimaryMaster, kPort};
    const Endpoint instrument{instrumentAddress(frame), kPort};

    // What kind of message the frame is: by its class where the line told, else by its
    // delimiter, as far as it came.
    MessageType type = MessageType::Response;
    switch (heard.kind) {
    case Kind::OurRequest:
    case Kind::OtherRequest:
        type = MessageType::Request;
        break;
    case Kind::Burst:
        type = MessageType::Publish;
        break;
    case Kind::AnswerToUs:
    case Kind::AnswerToOther:
        break;
    case Kind::Broken:
    case Kind::Garbage:
        type = frame.type() == protocol::FrameType::Request ? MessageType::Request
               : frame.type() == protocol::FrameType::Burst ? MessageType::Publish
                                                            : MessageType::Response;
        break;
    }
    protocol::hartip::Message message;
    message.type = type;
    message.id = protocol::hartip::MessageId::TokenPassingPdu;
    message.body = heard.bytes.mid(frame.preambleLength);
    const size_t slot = masterBit == 0 ? 0 : 1;
    if (type == MessageType::Request)
        message.sequence = ++m_requestSequence[slot];
    else if (type == MessageType::Publish)
        message.sequence = ++m_publishSequence;
    else
        message.sequence = m_requestSequence[slot];

    const bool fromMaster = type == MessageType::Request;
    const bool senderKnown = masterBit >= 0;
    const Endpoint from = !senderKnown ? Endpoint{kUnknownSender, kPort}
                          : fromMaster ? master
                                       : instrument;
    const Endpoint to = fromMaster ? instrument : master;

    QStringList said{QStringLiteral("%1 preamble bytes").arg(frame.preambleLength)};
    if (sent)
        said << QStringLiteral("sent by this program");
    if (heard.kind == Kind::Garbage)
        said << QStringLiteral("not a frame");
    else if (!frame.complete)
        said << QStringLiteral("broken off after %1 bytes").arg(heard.bytes.size());
    else if (!frame.checkMatches)
        said << QStringLiteral("check byte wrong: %1 sent, %2 computed")
                    .arg(frame.checkByte, 2, 16, QLatin1Char('0'))
                    .arg(frame.computedCheck, 2, 16, QLatin1Char('0'));
    return {startUs, udpOverIpv4(from, to, ++m_ipId, message.encode()),
            said.join(QStringLiteral("; "))};
}

} // namespace capture
