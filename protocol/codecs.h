#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <array>

namespace protocol {

// Four bytes of a HART float, most significant first, evaluated by formula for every exponent:
// exponent 0 and 255 are not special, so the result is always finite and never zero.
double Unpack_Float(int b0, int b1, int b2, int b3);

// What the packed-ASCII decoder leaves behind after its last call.
struct PackedAsciiScratch {
    std::array<qint16, 4> Unpack_Codes{}; // the four codes after the shift of 0..31 to 64..95
    QString Unpack_Text;
};

// Three bytes of HART packed ASCII to four characters (codes 32 to 95).
QString Unpack_Ascii(int b0, int b1, int b2, PackedAsciiScratch& scratch);
QString Unpack_Ascii(int b0, int b1, int b2);

// `value` rounded to `decimals` places (exact halves to even) in the general numeric form of
// `locale`: no thousands separators, the locale's decimal separator, no trailing zeros, at most
// 15 significant digits, and exponent form (4.25352958651173E+38) from 10^15 up.
QString formatRounded(double value, int decimals, const QLocale& locale);

} // namespace protocol
