#pragma once

// A HART frame reader and writer for the tests only, sharing nothing with the code under test.

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <cstring>

namespace simtest {

struct Answer {
    bool complete = false; // every byte through the check byte is there
    bool checkOk = false;
    int length = 0; // bytes taken from the input, preamble included
    int delimiter = 0, command = 0, byteCount = 0, responseCode = 0, deviceStatus = 0;
    QByteArray address, data;
    int at(int i) const { return static_cast<quint8>(data.at(i)); }
};

inline Answer readAnswer(const QByteArray& bytes) {
    Answer a;
    const auto byte = [&](int k) { return k < bytes.size() ? quint8(bytes.at(k)) : -1; };
    int i = 0;
    while (byte(i) == 0xFF)
        ++i;
    const int start = i;
    const int size = byte(i) & 0x80 ? 5 : 1; // of the address
    a.delimiter = byte(i);
    a.address = bytes.mid(i + 1, size);
    a.command = byte(i + size + 1);
    a.byteCount = byte(i + size + 2);
    a.responseCode = byte(i + size + 3);
    a.deviceStatus = byte(i + size + 4);
    a.data = bytes.mid(i + size + 5, a.byteCount - 2);
    a.length = i + size + 3 + a.byteCount + 1;
    a.complete = a.byteCount >= 2 && a.length <= bytes.size();
    int check = 0;
    for (int k = start; k < a.length - 1 && a.complete; ++k)
        check ^= byte(k);
    a.checkOk = a.complete && check == byte(a.length - 1);
    return a;
}

// IEEE 754 single precision, most significant byte first.
inline double readFloat(const QByteArray& data, int at) {
    const quint32 bits = qFromBigEndian<quint32>(data.constData() + at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Six bits per character; codes below 32 stand for 64 to 95.
inline QString readPacked(const QByteArray& data, int at, int bytes) {
    QString text;
    quint32 bits = 0;
    for (int k = 0; k < bytes; ++k) {
        bits = (bits << 8) | static_cast<quint8>(data.at(at + k));
        for (int held = 8 + 2 * (k % 3); held >= 6; held -= 6) {
            const int code = (bits >> (held - 6)) & 0x3F;
            text += QChar(code < 32 ? code + 64 : code);
        }
    }
    return text;
}

inline QByteArray fromHex(const char* text) {
    return QByteArray::fromHex(text);
}

// A request: preambles, delimiter, address (1 or 5 bytes), command, byte count 0, check byte.
inline QByteArray request(const QByteArray& address, int command, int preambles = 5) {
    QByteArray frame = (address.size() == 5 ? '\x82' : '\x02') + address + char(command) + '\0';
    char check = 0;
    for (const char c : frame)
        check ^= c;
    return QByteArray(preambles, '\xFF') + frame + check;
}

} // namespace simtest
