#pragma once

#include <QByteArray>
#include <QString>

namespace sim {

// `value` as a HART float: IEEE 754 single precision, most significant byte first.
QByteArray encodeFloat(double value);

// Whether every character of `text` can travel in HART packed ASCII: space to underscore,
// lower-case letters included (they are sent as capitals).
bool isPackable(const QString& text);

// `text` padded with blanks (or cut) to `characters` characters, a multiple of four, and packed
// four 6-bit codes to three bytes. Characters that cannot be packed go out as '?'.
QByteArray packAscii(const QString& text, int characters);

} // namespace sim
