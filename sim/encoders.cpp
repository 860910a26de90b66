#include "sim/encoders.h"

#include <cstring>

namespace sim {

namespace {

int packedCode(QChar c) {
    const char16_t u = c.toUpper().unicode();
    if (u < 0x20 || u > 0x5F)
        return '?' & 0x3F;
    return u & 0x3F;
}

} // namespace

QByteArray encodeFloat(double value) {
    const float single = static_cast<float>(value);
    quint32 bits = 0;
    static_assert(sizeof bits == sizeof single, "HART floats are 32 bits");
    std::memcpy(&bits, &single, sizeof bits);
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((bits >> (24 - 8 * i)) & 0xFF);
    return out;
}

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
        out.append(static_cast<char>((codes[0] << 2) | (codes[1] >> 4)));
        out.append(static_cast<char>(((codes[1] & 0x0F) << 4) | (codes[2] >> 2)));
        out.append(static_cast<char>(((codes[2] & 0x03) << 6) | codes[3]));
    }
    return out;
}

} // namespace sim
