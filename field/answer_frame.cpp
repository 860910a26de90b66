#include "answer_frame.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <string>
#include <system_error>

namespace field {

namespace {

int byteAt(const QByteArray& bytes, int k) {
    return quint8(bytes.at(k));
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

std::optional<Identity> identityFrom(const AnswerFrame& frame) {
    namespace layout = protocol::layout;
    const QByteArray& d = frame.data;
    if (frame.command != 0 || d.size() < layout::kCommand0Identity)
        return std::nullopt;
    Identity id;
    id.hartRevision = byteAt(d, 4);
    id.requestPreambles = byteAt(d, 3);
    id.deviceRevision = byteAt(d, 5);
    id.softwareRevision = byteAt(d, 6);
    id.flags = byteAt(d, 8);
    id.deviceId = (quint32(byteAt(d, 9)) << 16) | (quint32(byteAt(d, 10)) << 8) | byteAt(d, 11);
    id.longAddress = protocol::withoutMasterAndBurst(d.mid(1, 2) + d.mid(9, 3));
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
    if (hart7 && d.size() >= layout::kCommand0Hart7) {
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
    namespace layout = protocol::layout;
    const QByteArray& d = frame.data;
    if (frame.command != 13 || d.size() < layout::kCommand13Length)
        return std::nullopt;
    TagRecord r;
    r.tag = protocol::unpackAscii(d, layout::kCommand13Tag, 8);
    r.descriptor = protocol::unpackAscii(d, layout::kCommand13Descriptor, 16);
    r.day = byteAt(d, layout::kCommand13Date);
    r.month = byteAt(d, layout::kCommand13Date + 1);
    r.year = byteAt(d, layout::kCommand13Date + 2);
    r.date = QDate(1900 + r.year, r.month, r.day);
    return r;
}

std::optional<DynamicVariables> dynamicVariablesFrom(const AnswerFrame& frame) {
    namespace layout = protocol::layout;
    const QByteArray& d = frame.data;
    if (frame.command != 3 || d.size() < layout::kCommand3FirstVariable)
        return std::nullopt;
    DynamicVariables v;
    v.loopCurrent = floatAt(d, layout::kCommand3LoopCurrent);
    for (int k = 0; k < 4; ++k) {
        const int at = layout::command3Variable(k);
        if (d.size() >= at + layout::kCommand3VariableLength)
            v.values[size_t(k)] = Variable{byteAt(d, at), floatAt(d, at + 1)};
    }
    return v;
}

} // namespace field
