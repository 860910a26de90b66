#include "sub_device_frame.h"

namespace protocol {

QByteArray command77Data(int card, int channel, int preambles, const HartFrame& request) {
    QByteArray data;
    data += char(card);
    data += char(channel);
    data += char(preambles);
    data += request.encode().chopped(1); // no check byte
    return data;
}

std::optional<EmbeddedAnswer> embeddedAnswer(const QByteArray& data) {
    constexpr int kCardAndChannel = 2;
    if (data.size() <= kCardAndChannel)
        return std::nullopt;
    QByteArray frame = data.mid(kCardAndChannel);
    frame += char(checkByte(frame));
    HartFrame embedded = HartFrame::parse(frame);
    if (!embedded.sound() || embedded.wholeLength() != frame.size())
        return std::nullopt;
    return EmbeddedAnswer{quint8(data[0]), quint8(data[1]), embedded};
}

} // namespace protocol
