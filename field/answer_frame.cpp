#include "answer_frame.h"

#include <QtEndian>

#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <system_error>

namespace field {

namespace {

constexpr quint8 kPreamble = 0xFF;

int byteAt(const QByteArray& bytes, int k) {
    return quint8(bytes.at(k));
}

// Four packed-ASCII characters from three bytes: six bits each, 0 to 31 standing for 64 to 95.
QString unpackAscii(const QByteArray& bytes, int offset, int groups) {
    QString text;
    for (int g = 0; g < groups; ++g) {
        const quint32 bits = (quint32(byteAt(bytes, offset + 3 * g)) << 16) |
                             (quint32(byteAt(bytes, offset + 3 * g + 1)) << 8) |
                             quint32(byteAt(bytes, offset + 3 * g + 2));
        for (int shift = 18; shift >= 0; shift -= 6) {
            const int code = int((bits >> shift) & 0x3F);
            text += QChar(code < 32 ? code + 64 : code);
        }
    }
    return text;
}

} // namespace

QString shortestText(float value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
    return QString::fromLatin1(text, int(end.ptr - text));
}

QString plainText(float value) {
    // The shortest digits that read back as the same float, as the scientific form gives them
    // ("1e+20", "1.23456e-04"), then laid out in plain positional notation.
    char text[32];
    const std::to_chars_result end =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::scientific);
    const std::string scientific(text, end.ptr);
    const std::size_t e = scientific.find('e');
    if (!std::isfinite(value) || e == std::string::npos)
        return QString::fromStdString(scientific);
    const bool negative = scientific.front() == '-';
    std::string digits;
    for (std::size_t k = negative ? 1 : 0; k < e; ++k)
        if (scientific[k] != '.')
            digits += scientific[k];
    const int exponent = std::stoi(scientific.substr(e + 1));
    const int beforePoint = exponent + 1; // digits before the decimal point
    const int count = int(digits.size());
    std::string plain;
    if (beforePoint <= 0)
        plain = "0." + std::string(std::size_t(-beforePoint), '0') + digits;
    else if (beforePoint >= count)
        plain = digits + std::string(std::size_t(beforePoint - count), '0');
    else
        plain = digits.substr(0, std::size_t(beforePoint)) + '.' +
                digits.substr(std::size_t(beforePoint));
    return QString::fromStdString((negative ? "-" : "") + plain);
}

float floatAt(const QByteArray& bytes, int offset) {
    const quint32 bits = qFromBigEndian<quint32>(bytes.constData() + offset);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

AnswerFrame parseAnswer(const QByteArray& asRead) {
    AnswerFrame f;
    while (f.preambleLength < asRead.size() && byteAt(asRead, f.preambleLength) == kPreamble)
        ++f.preambleLength;
    const QByteArray frame = asRead.mid(f.preambleLength);
    if (frame.isEmpty())
        return f;
    f.delimiter = byteAt(frame, 0);
    f.longAddress = (f.delimiter & 0x80) != 0;
    const int addressLength = f.longAddress ? 5 : 1;
    f.address = frame.mid(1, addressLength);
    const int commandAt = 1 + addressLength;
    if (frame.size() > commandAt)
        f.command = byteAt(frame, commandAt);
    if (frame.size() > commandAt + 1)
        f.byteCount = byteAt(frame, commandAt + 1);
    if (f.byteCount < 0)
        return f;
    // The byte count says how many of the bytes after it belong to the answer: a count of 0 or
    // 1 leaves no room for one or both response bytes, and what follows is the check byte.
    if (f.byteCount >= 1 && frame.size() > commandAt + 2)
        f.responseCode = byteAt(frame, commandAt + 2);
    if (f.byteCount >= 2 && frame.size() > commandAt + 3)
        f.deviceStatus = byteAt(frame, commandAt + 3);
    const int dataAt = commandAt + 2 + qMin(f.byteCount, 2);
    const int checkAt = commandAt + 2 + f.byteCount;
    f.data = frame.mid(dataAt, qMax(0, checkAt - dataAt));
    if (frame.size() > checkAt) {
        f.checkByte = byteAt(frame, checkAt);
        f.complete = true;
        quint8 check = 0;
        for (int k = 0; k < checkAt; ++k)
            check ^= quint8(frame.at(k));
        f.checkMatches = check == f.checkByte;
    }
    return f;
}

std::optional<Identity> identityFrom(const AnswerFrame& frame) {
    const QByteArray& d = frame.data;
    if (frame.command != 0 || d.size() < 12)
        return std::nullopt;
    Identity id;
    id.hartRevision = byteAt(d, 4);
    id.requestPreambles = byteAt(d, 3);
    id.deviceRevision = byteAt(d, 5);
    id.softwareRevision = byteAt(d, 6);
    id.flags = byteAt(d, 8);
    id.deviceId = (quint32(byteAt(d, 9)) << 16) | (quint32(byteAt(d, 10)) << 8) | byteAt(d, 11);
    id.longAddress = QByteArray(1, char(byteAt(d, 1) & 0x3F)) + d.mid(2, 1) + d.mid(9, 3);
    const bool hart7 = id.hartRevision >= 7;
    if (hart7) {
        id.expandedDeviceType = true;
        id.deviceType = (byteAt(d, 1) << 8) | byteAt(d, 2);
        id.hardwareRevision = byteAt(d, 7) >> 3;
        id.physicalSignaling = byteAt(d, 7) & 0x07;
    } else {
        id.manufacturer = byteAt(d, 1);
        id.deviceType = byteAt(d, 2);
        id.hardwareRevision = byteAt(d, 7);
    }
    if (hart7 && d.size() >= 22) {
        id.responsePreambles = byteAt(d, 12);
        id.maxDeviceVariables = byteAt(d, 13);
        id.configChangeCounter = (byteAt(d, 14) << 8) | byteAt(d, 15);
        id.extendedStatus = byteAt(d, 16);
        id.manufacturer = (byteAt(d, 17) << 8) | byteAt(d, 18);
        id.privateLabel = (byteAt(d, 19) << 8) | byteAt(d, 20);
        id.deviceProfile = byteAt(d, 21);
    }
    return id;
}

std::optional<TagRecord> tagRecordFrom(const AnswerFrame& frame) {
    const QByteArray& d = frame.data;
    if (frame.command != 13 || d.size() < 21)
        return std::nullopt;
    TagRecord r;
    r.tag = unpackAscii(d, 0, 2);
    r.descriptor = unpackAscii(d, 6, 4);
    r.day = byteAt(d, 18);
    r.month = byteAt(d, 19);
    r.year = byteAt(d, 20);
    r.date = QDate(1900 + r.year, r.month, r.day);
    return r;
}

std::optional<DynamicVariables> dynamicVariablesFrom(const AnswerFrame& frame) {
    const QByteArray& d = frame.data;
    if (frame.command != 3 || d.size() < 4)
        return std::nullopt;
    DynamicVariables v;
    v.loopCurrent = floatAt(d, 0);
    for (int k = 0; k < 4; ++k) {
        const int at = 4 + 5 * k;
        if (d.size() >= at + 5)
            v.values[size_t(k)] = Variable{byteAt(d, at), floatAt(d, at + 1)};
    }
    return v;
}

} // namespace field
