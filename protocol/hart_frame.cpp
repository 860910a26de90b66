#include "hart_frame.h"

#include "codecs.h"

#include <QtEndian>

#include <cstring>

namespace protocol {

namespace {

int byteAt(const QByteArray& bytes, int k) {
    return quint8(bytes.at(k));
}

void appendByte(QByteArray& out, int value) {
    out.append(char(quint8(value)));
}

} // namespace

quint8 checkByte(const QByteArray& bytes) {
    quint8 check = 0;
    for (const char byte : bytes)
        check ^= quint8(byte);
    return check;
}

QByteArray bigEndian(quint32 value, int bytes) {
    QByteArray out;
    for (int k = bytes - 1; k >= 0; --k)
        out += char((value >> (8 * k)) & 0xFF);
    return out;
}

HartFrame HartFrame::parse(const QByteArray& asRead) {
    HartFrame f;
    while (f.preambleLength < asRead.size() && byteAt(asRead, f.preambleLength) == kPreambleByte)
        ++f.preambleLength;
    const QByteArray frame = asRead.mid(f.preambleLength);
    if (frame.isEmpty())
        return f;
    f.delimiter = byteAt(frame, 0);
    const int addressLength = f.longAddress() ? kLongAddressLength : 1;
    f.address = frame.mid(1, addressLength);
    const int commandAt = 1 + addressLength;
    if (frame.size() > commandAt)
        f.command = byteAt(frame, commandAt);
    if (frame.size() > commandAt + 1)
        f.byteCount = byteAt(frame, commandAt + 1);
    if (f.byteCount < 0) {
        f.computedCheck = protocol::checkByte(frame);
        return f;
    }
    // Only answers and bursts carry response bytes, and only as many as the count holds.
    const bool responds = f.type() == FrameType::Answer || f.type() == FrameType::Burst;
    const int responseBytes = responds ? qMin(f.byteCount, 2) : 0;
    if (responseBytes >= 1 && frame.size() > commandAt + 2)
        f.responseCode = byteAt(frame, commandAt + 2);
    if (responseBytes >= 2 && frame.size() > commandAt + 3)
        f.deviceStatus = byteAt(frame, commandAt + 3);
    const int dataAt = commandAt + 2 + responseBytes;
    const int checkAt = commandAt + 2 + f.byteCount;
    f.data = frame.mid(dataAt, qMax(0, checkAt - dataAt));
    f.computedCheck = protocol::checkByte(frame.left(checkAt));
    if (frame.size() > checkAt) {
        f.checkByte = byteAt(frame, checkAt);
        f.complete = true;
        f.checkMatches = f.computedCheck == f.checkByte;
    }
    return f;
}

QByteArray HartFrame::encode(int preambles) const {
    QByteArray frame;
    appendByte(frame, delimiter);
    frame.append(address);
    appendByte(frame, command);
    const int responseBytes = (responseCode >= 0 ? 1 : 0) + (deviceStatus >= 0 ? 1 : 0);
    appendByte(frame, responseBytes + int(data.size()));
    if (responseCode >= 0)
        appendByte(frame, responseCode);
    if (deviceStatus >= 0)
        appendByte(frame, deviceStatus);
    frame.append(data);
    appendByte(frame, protocol::checkByte(frame));
    return QByteArray(preambles, char(kPreambleByte)) + frame;
}

FrameType HartFrame::type() const {
    switch (delimiter < 0 ? 0 : delimiter & kFrameTypeBits) {
    case 1:
        return FrameType::Burst;
    case 2:
        return FrameType::Request;
    case 6:
        return FrameType::Answer;
    default:
        return FrameType::Other;
    }
}

int HartFrame::masterBit() const {
    return address.isEmpty() ? -1 : (byteAt(address, 0) & kMasterBit) ? 1 : 0;
}

int HartFrame::burstBit() const {
    return address.isEmpty() ? -1 : (byteAt(address, 0) & kBurstBit) ? 1 : 0;
}

int HartFrame::pollingAddress() const {
    return longAddress() || address.isEmpty() ? -1 : byteAt(address, 0) & kAddressBits;
}

QByteArray withoutMasterAndBurst(const QByteArray& address) {
    QByteArray plain = address;
    if (!plain.isEmpty())
        plain[0] = char(byteAt(plain, 0) & kAddressBits);
    return plain;
}

QByteArray HartFrame::uniqueAddress() const {
    if (!longAddress() || address.size() != kLongAddressLength)
        return {};
    return withoutMasterAndBurst(address);
}

int HartFrame::wholeLength() const {
    return complete ? preambleLength + 1 + int(address.size()) + 2 + byteCount + 1 : -1;
}

int HartFrame::dataOffset() const {
    return preambleLength + 1 + int(address.size()) + 2 + (responseCode >= 0 ? 1 : 0) +
           (deviceStatus >= 0 ? 1 : 0);
}

QString unpackAscii(const QByteArray& bytes, int offset, int characters) {
    // The receive step's decoder and this one are the same: each group of three bytes goes
    // through Unpack_Ascii.
    QString text;
    for (int g = 0; g < characters / 4; ++g) {
        const int at = offset + 3 * g;
        text += Unpack_Ascii(byteAt(bytes, at), byteAt(bytes, at + 1), byteAt(bytes, at + 2));
    }
    return text;
}

namespace {

int packedCode(QChar c) {
    const char16_t u = c.toUpper().unicode();
    if (u < 0x20 || u > 0x5F)
        return '?' & 0x3F;
    return u & 0x3F;
}

} // namespace

bool isPackable(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.toUpper().unicode();
        if (u < 0x20 || u > 0x5F)
            return false;
    }
    return true;
}

QByteArray packAscii(const QString& text, int characters) {
    QByteArray out;
    out.reserve(characters / 4 * 3);
    for (int i = 0; i + 3 < characters; i += 4) {
        int codes[4];
        for (int k = 0; k < 4; ++k)
            codes[k] = i + k < text.size() ? packedCode(text.at(i + k)) : (' ' & 0x3F);
        appendByte(out, (codes[0] << 2) | (codes[1] >> 4));
        appendByte(out, ((codes[1] & 0x0F) << 4) | (codes[2] >> 2));
        appendByte(out, ((codes[2] & 0x03) << 6) | codes[3]);
    }
    return out;
}

QString dateText(int day, int month, int yearsSince1900) {
    return QStringLiteral("%1.%2.%3")
        .arg(day, 2, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(yearsSince1900 + 1900);
}

float floatAt(const QByteArray& bytes, int offset) {
    const quint32 bits = qFromBigEndian<quint32>(bytes.constData() + offset);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray encodeFloat(float value) {
    quint32 bits = 0;
    static_assert(sizeof bits == sizeof value, "HART floats are 32 bits");
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray out(4, '\0');
    qToBigEndian(bits, out.data());
    return out;
}

} // namespace protocol
