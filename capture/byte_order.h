#pragma once

#include <QByteArray>
#include <QtEndian>

namespace capture {

// A number appended in the byte order a format wants: pcapng writes its blocks little-endian,
// IP and UDP their headers in network order.
template <typename T> void appendLittleEndian(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, int(sizeof(T)));
}

template <typename T> void appendBigEndian(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToBigEndian(value, bytes);
    out.append(bytes, int(sizeof(T)));
}

} // namespace capture
