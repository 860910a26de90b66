#include "hartip_message.h"

#include <QtEndian>

namespace protocol::hartip {

QByteArray Message::encode() const {
    QByteArray out(kHeaderLength, '\0');
    out[0] = static_cast<char>(version);
    out[1] = static_cast<char>(type);
    out[2] = static_cast<char>(id);
    out[3] = static_cast<char>(status);
    qToBigEndian<quint16>(sequence, out.data() + 4);
    qToBigEndian<quint16>(static_cast<quint16>(kHeaderLength + body.size()), out.data() + 6);
    return out + body;
}

Message::Taken Message::take(QByteArray& stream, Message* out) {
    if (stream.size() < kHeaderLength)
        return Taken::NeedMore;
    const auto byte = [&stream](int k) { return static_cast<quint8>(stream.at(k)); };
    const int count = qFromBigEndian<quint16>(stream.constData() + 6);
    if ((byte(0) != 1 && byte(0) != 2) || count < kHeaderLength)
        return Taken::Malformed;
    if (stream.size() < count)
        return Taken::NeedMore;
    Message message;
    message.version = byte(0);
    message.type = static_cast<MessageType>(byte(1));
    message.id = static_cast<MessageId>(byte(2));
    message.status = byte(3);
    message.sequence = qFromBigEndian<quint16>(stream.constData() + 4);
    message.body = stream.mid(kHeaderLength, count - kHeaderLength);
    stream.remove(0, count);
    if (out)
        *out = std::move(message);
    return Taken::Message;
}

QByteArray SessionInitiate::encode() const {
    QByteArray out(5, '\0');
    out[0] = static_cast<char>(masterType);
    qToBigEndian<quint32>(inactivityMs, out.data() + 1);
    return out;
}

std::optional<SessionInitiate> SessionInitiate::parse(const QByteArray& body) {
    if (body.size() < 5)
        return std::nullopt;
    SessionInitiate initiate;
    initiate.masterType = static_cast<quint8>(body.at(0));
    initiate.inactivityMs = qFromBigEndian<quint32>(body.constData() + 1);
    return initiate;
}

} // namespace protocol::hartip
