#include "pcapng_blocks.h"

#include "byte_order.h"

namespace capture::pcapng {

namespace {

constexpr quint32 kSectionHeaderType = 0x0A0D0D0A;
constexpr quint32 kInterfaceDescriptionType = 1;
constexpr quint32 kEnhancedPacketType = 6;
constexpr quint32 kByteOrderMagic = 0x1A2B3C4D;
constexpr quint16 kEndOfOptions = 0;
constexpr quint16 kComment = 1;        // opt_comment
constexpr quint16 kUserAppl = 4;       // shb_userappl
constexpr quint16 kTimeResolution = 9; // if_tsresol
constexpr quint8 kMicroseconds = 6;    // 10^-6 s

void put16(QByteArray& out, quint16 value) {
    appendLittleEndian(out, value);
}

void put32(QByteArray& out, quint32 value) {
    appendLittleEndian(out, value);
}

// Up to the next multiple of four bytes, as every field of a block is.
void pad(QByteArray& out) {
    while (out.size() % 4 != 0)
        out.append('\0');
}

void option(QByteArray& out, quint16 code, const QByteArray& value) {
    put16(out, code);
    put16(out, quint16(value.size()));
    out.append(value);
    pad(out);
}

void endOfOptions(QByteArray& out) {
    put16(out, kEndOfOptions);
    put16(out, 0);
}

// A block: its type, its total length before and after the body.
QByteArray block(quint32 type, const QByteArray& body) {
    const quint32 length = quint32(body.size() + 12);
    QByteArray out;
    out.reserve(int(length));
    put32(out, type);
    put32(out, length);
    out.append(body);
    put32(out, length);
    return out;
}

} // namespace

QByteArray sectionHeader(const QString& application) {
    QByteArray body;
    put32(body, kByteOrderMagic);
    put16(body, 1);          // major version
    put16(body, 0);          // minor version
    put32(body, 0xFFFFFFFF); // section length: not known, -1 as 64 bits
    put32(body, 0xFFFFFFFF);
    if (!application.isEmpty()) {
        option(body, kUserAppl, application.toUtf8());
        endOfOptions(body);
    }
    return block(kSectionHeaderType, body);
}

QByteArray interfaceDescription(quint16 linkType) {
    QByteArray body;
    put16(body, linkType);
    put16(body, 0); // reserved
    put32(body, 0); // snapshot length: no limit
    option(body, kTimeResolution, QByteArray(1, char(kMicroseconds)));
    endOfOptions(body);
    return block(kInterfaceDescriptionType, body);
}

QByteArray enhancedPacket(qint64 timestampUs, const QByteArray& packet, const QString& comment) {
    QByteArray body;
    put32(body, 0); // interface 0
    put32(body, quint32(quint64(timestampUs) >> 32));
    put32(body, quint32(quint64(timestampUs) & 0xFFFFFFFF));
    put32(body, quint32(packet.size())); // captured
    put32(body, quint32(packet.size())); // on the wire
    body.append(packet);
    pad(body);
    if (!comment.isEmpty()) {
        option(body, kComment, comment.toUtf8());
        endOfOptions(body);
    }
    return block(kEnhancedPacketType, body);
}

} // namespace capture::pcapng
