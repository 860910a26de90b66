#pragma once

// Frames the tests feed to the protocol code, built here by hand so that the expectations do not
// come from the code under test.

#include "protocol/protocol_state.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <initializer_list>

namespace ptest {

inline QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(quint8(v)));
    return out;
}

inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

inline quint8 xorOf(const QByteArray& frame) {
    quint8 x = 0;
    for (char c : frame)
        x ^= quint8(c);
    return x;
}

// Appends the check byte to everything from the delimiter on.
inline QByteArray withCheck(QByteArray frame) {
    frame.append(char(xorOf(frame)));
    return frame;
}

// Golden answers from independent HART implementations (preamble already removed).
inline QByteArray goldenCommand0Hart5() {
    return hex("06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 00 12 34 56 49");
}
inline QByteArray goldenCommand0Hart7() {
    return hex(
        "06 81 00 18 00 00 FE 26 06 05 07 07 03 64 00 12 34 56 05 01 00 00 00 00 99 00 99 00 57");
}
inline QByteArray goldenCommand3() {
    return hex(
        "86 A6 06 12 34 56 03 1A 00 00 41 48 00 00 0C 3F 9E 06 10 20 41 BC 00 00 FA 7F C0 00 00 "
        "FA 7F C0 00 00 20");
}
inline QByteArray goldenCommand13() {
    return hex(
        "86 A6 06 12 34 56 0D 17 00 00 41 4B 71 C3 18 20 50 54 D4 80 41 56 24 31 60 82 08 20 "
        "05 03 6D 3F");
}

// Five long-address bytes as the requests carry them.
struct Identity {
    int manufacturer = 0x26;
    int type = 0x06;
    int id1 = 0x12;
    int id2 = 0x34;
    int id3 = 0x56;
};

// A short-frame answer to command 0 with twelve data bytes (byte count 14).
inline QByteArray command0Answer(int address, const Identity& id, int status1 = 0,
                                 int status2 = 0) {
    return withCheck(bytes({0x06, 0x80 | address, 0x00, 14, status1, status2, 0xFE, id.manufacturer,
                            id.type, 5, 5, 9, 3, 0x64, 0, id.id1, id.id2, id.id3}));
}

inline QByteArray longHeader(const Identity& id, int command, int byteCount) {
    return bytes({0x86, id.manufacturer | 0x80, id.type, id.id1, id.id2, id.id3, command, byteCount,
                  0x00, 0x00});
}

// A long-frame answer to command 13: tag (6 bytes), descriptor (12 bytes), date (3 bytes).
inline QByteArray command13Answer(const Identity& id, const QByteArray& tag,
                                  const QByteArray& descriptor, int day, int month, int year) {
    QByteArray frame = longHeader(id, 13, 23);
    frame += tag;
    frame += descriptor;
    frame += bytes({day, month, year});
    return withCheck(frame);
}

// A long-frame answer to command 3 carrying the loop current and `floats.size()` variables, each
// with a units byte before it.
inline QByteArray command3Answer(const Identity& id, const QByteArray& current,
                                 const QList<QByteArray>& variables) {
    QByteArray frame = longHeader(id, 3, 6 + 5 * int(variables.size()));
    frame += current;
    for (const QByteArray& v : variables) {
        frame.append(char(0x20));
        frame += v;
    }
    return withCheck(frame);
}

// The requests the master must send, written out byte by byte.
inline QByteArray shortRequest(int address) {
    return bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x02, address, 0x00, 0x00, 0x02 ^ address});
}

inline QByteArray longRequest(const Identity& id, int command) {
    const int check = 0x82 ^ id.manufacturer ^ id.type ^ id.id1 ^ id.id2 ^ id.id3 ^ command;
    return bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x82, id.manufacturer, id.type, id.id1, id.id2,
                  id.id3, command, 0x00, check});
}

// Puts `answer` into the receive buffer the way the receive step leaves it.
inline void storeAnswer(protocol::ProtocolState& state, const QByteArray& answer) {
    state.Rx_Buffer.fill(protocol::kRxFill);
    const int n = qMin(int(answer.size()), protocol::kRxBufferSize);
    for (int k = 0; k < n; ++k)
        state.Rx_Buffer[size_t(k)] = qint16(quint8(answer.at(k)));
    state.Rx_Stored = n;
}

} // namespace ptest
