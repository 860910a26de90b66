#pragma once

// A HART answer reader written for the tests only, sharing nothing with the code under test:
// it walks the frame by its own header and decodes floats and packed ASCII from first
// principles.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cmath>

namespace simtest {

struct Answer {
    bool complete = false; // every byte through the check byte is there
    int preambles = 0;
    quint8 delimiter = 0;
    QByteArray address;
    quint8 command = 0;
    int byteCount = 0;
    quint8 responseCode = 0;
    quint8 deviceStatus = 0;
    QByteArray data;
    quint8 check = 0;
    quint8 computedCheck = 0;
    int length = 0; // bytes used from the input, preamble included

    bool checkOk() const { return complete && check == computedCheck; }
    quint8 at(int i) const { return static_cast<quint8>(data.at(i)); }
};

inline Answer readAnswer(const QByteArray& bytes) {
    Answer a;
    int i = 0;
    while (i < bytes.size() && static_cast<quint8>(bytes.at(i)) == 0xFF)
        ++i;
    a.preambles = i;
    const auto byte = [&](int k) { return static_cast<quint8>(bytes.at(k)); };
    if (i >= bytes.size())
        return a;
    const int start = i;
    a.delimiter = byte(i++);
    const int addressLength = (a.delimiter & 0x80) ? 5 : 1;
    if (i + addressLength + 2 > bytes.size())
        return a;
    a.address = bytes.mid(i, addressLength);
    i += addressLength;
    a.command = byte(i++);
    a.byteCount = byte(i++);
    if (i + a.byteCount + 1 > bytes.size() || a.byteCount < 2)
        return a;
    a.responseCode = byte(i);
    a.deviceStatus = byte(i + 1);
    a.data = bytes.mid(i + 2, a.byteCount - 2);
    i += a.byteCount;
    a.check = byte(i);
    for (int k = start; k < i; ++k)
        a.computedCheck ^= byte(k);
    a.length = i + 1;
    a.complete = true;
    return a;
}

// Sign, 8-bit exponent, 23-bit fraction, most significant byte first; normal numbers only.
inline double readFloat(const QByteArray& data, int at) {
    quint32 bits = 0;
    for (int k = 0; k < 4; ++k)
        bits = bits * 256 + static_cast<quint8>(data.at(at + k));
    const int exponent = static_cast<int>((bits >> 23) & 0xFF);
    const double fraction = 1.0 + static_cast<double>(bits & 0x7FFFFF) / 8388608.0;
    if (exponent == 0 && (bits & 0x7FFFFF) == 0)
        return 0.0;
    const double magnitude = std::ldexp(fraction, exponent - 127);
    return (bits & 0x80000000u) ? -magnitude : magnitude;
}

// Reads the bytes as one bit string and takes six bits per character.
inline QString readPacked(const QByteArray& data, int at, int bytes) {
    QString bitString;
    for (int k = 0; k < bytes; ++k)
        bitString += QString::number(static_cast<quint8>(data.at(at + k)), 2)
                         .rightJustified(8, QLatin1Char('0'));
    QString text;
    for (int k = 0; k + 6 <= bitString.size(); k += 6) {
        int code = bitString.mid(k, 6).toInt(nullptr, 2);
        text += QChar(code < 32 ? code + 64 : code);
    }
    return text;
}

inline QByteArray fromHex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

// A request frame: preambles, delimiter, address, command, byte count 0, check byte.
inline QByteArray request(const QByteArray& address, int command, int preambles = 5) {
    QByteArray frame;
    frame.append(static_cast<char>(address.size() == 5 ? 0x82 : 0x02));
    frame.append(address);
    frame.append(static_cast<char>(command));
    frame.append('\0');
    char check = 0;
    for (const char c : frame)
        check ^= c;
    frame.append(check);
    return QByteArray(preambles, '\xFF') + frame;
}

} // namespace simtest
