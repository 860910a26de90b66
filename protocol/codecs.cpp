#include "codecs.h"

#include <charconv>
#include <cmath>
#include <string>

namespace protocol {

double Unpack_Float(int b0, int b1, int b2, int b3) {
    // Evaluated by formula rather than reinterpreted as an IEEE single, so that exponents 0
    // and 255 give finite numbers like every other exponent.
    const qint32 hi = 256 * b0 + b1;
    const qint32 lo = 256 * b2 + b3;
    const int sign = b0 / 128;
    const int exponent = (hi / 128) & 255;
    const int fractionTop = hi & 127;
    const double scale = std::pow(2.0, exponent - 127);
    const double value = (lo / 8388608.0 + (1.0 + 65536.0 * (fractionTop / 8388608.0))) * scale;
    return sign == 1 ? -value : value;
}

QString Unpack_Ascii(int b0, int b1, int b2, PackedAsciiScratch& scratch) {
    auto& codes = scratch.Unpack_Codes;
    codes[0] = static_cast<qint16>(b0 / 4);
    codes[1] = static_cast<qint16>(b1 / 16 + (b0 & 3) * 16);
    codes[2] = static_cast<qint16>(b2 / 64 + (b1 & 15) * 4);
    codes[3] = static_cast<qint16>(b2 & 63);
    scratch.Unpack_Text.clear();
    for (qint16& code : codes) {
        if (code < 32)
            code = static_cast<qint16>(code + 64); // 0..31 are '@', 'A'..'Z' and "[\]^_"
        scratch.Unpack_Text += QChar(code);
    }
    return scratch.Unpack_Text;
}

QString Unpack_Ascii(int b0, int b1, int b2) {
    PackedAsciiScratch scratch;
    return Unpack_Ascii(b0, b1, b2, scratch);
}

namespace {

// Shortest fixed or exponent text of `value` with `precision` digits, locale-free.
std::string toChars(double value, std::chars_format format, int precision) {
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    return std::string(buffer, result.ptr);
}

// Drops the trailing zeros of a mantissa's fraction, and the point when nothing is left.
std::string trimFraction(std::string mantissa) {
    if (mantissa.find('.') == std::string::npos)
        return mantissa;
    while (!mantissa.empty() && mantissa.back() == '0')
        mantissa.pop_back();
    if (!mantissa.empty() && mantissa.back() == '.')
        mantissa.pop_back();
    return mantissa;
}

} // namespace

QString formatRounded(double value, int decimals, const QLocale& locale) {
    // The exact binary value is printed to `decimals` places: a value exactly halfway goes to
    // the even neighbour, anything else to the nearer one.
    const std::string fixed = toChars(value, std::chars_format::fixed, decimals);
    double rounded = 0;
    std::from_chars(fixed.data(), fixed.data() + fixed.size(), rounded);
    if (rounded == 0)
        return QStringLiteral("0"); // no "-0"

    std::string text;
    if (std::fabs(rounded) >= 1e15) {
        // 4.25352958651173E+38: fifteen significant digits, trailing zeros dropped.
        const std::string scientific = toChars(rounded, std::chars_format::scientific, 14);
        const auto e = scientific.find('e');
        text = trimFraction(scientific.substr(0, e)) + 'E' + scientific.substr(e + 1);
    } else {
        const std::string general = toChars(rounded, std::chars_format::general, 15);
        const auto e = general.find('e');
        text = e == std::string::npos
                   ? trimFraction(general)
                   : trimFraction(general.substr(0, e)) + 'E' + general.substr(e + 1);
    }

    QString result = QString::fromStdString(text);
    result.replace(QLatin1Char('.'), locale.decimalPoint());
    return result;
}

} // namespace protocol
