#include "udp_packet.h"

#include "byte_order.h"

namespace capture {

namespace {

constexpr quint8 kVersion4HeaderWords5 = 0x45;
constexpr quint16 kDontFragment = 0x4000;
constexpr quint8 kTimeToLive = 64;
constexpr quint8 kUdp = 17;
constexpr int kIpHeaderLength = 20;
constexpr int kUdpHeaderLength = 8;

void put16(QByteArray& out, quint16 value) {
    appendBigEndian(out, value);
}

void put32(QByteArray& out, quint32 value) {
    appendBigEndian(out, value);
}

// The internet checksum (RFC 1071): the ones' complement of the ones' complement sum of the
// 16-bit words, an odd last byte padded with zero.
quint32 sumWords(const QByteArray& bytes, quint32 sum = 0) {
    for (int k = 0; k < bytes.size(); k += 2) {
        const quint32 high = quint8(bytes.at(k));
        const quint32 low = k + 1 < bytes.size() ? quint8(bytes.at(k + 1)) : 0;
        sum += (high << 8) | low;
    }
    return sum;
}

quint16 finish(quint32 sum) {
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum & 0xFFFF);
}

void putAt(QByteArray& out, int at, quint16 value) {
    out[at] = char(value >> 8);
    out[at + 1] = char(value & 0xFF);
}

} // namespace

QByteArray udpOverIpv4(const Endpoint& from, const Endpoint& to, quint16 id,
                       const QByteArray& payload) {
    const quint16 udpLength = quint16(kUdpHeaderLength + payload.size());
    QByteArray udp;
    put16(udp, from.port);
    put16(udp, to.port);
    put16(udp, udpLength);
    put16(udp, 0); // checksum, below
    udp.append(payload);
    QByteArray pseudo;
    put32(pseudo, from.address);
    put32(pseudo, to.address);
    put16(pseudo, kUdp);
    put16(pseudo, udpLength);
    quint16 udpCheck = finish(sumWords(udp, sumWords(pseudo)));
    if (udpCheck == 0)
        udpCheck = 0xFFFF; // zero would mean "no checksum"
    putAt(udp, 6, udpCheck);

    QByteArray ip;
    ip.append(char(kVersion4HeaderWords5));
    ip.append('\0'); // type of service
    put16(ip, quint16(kIpHeaderLength + udp.size()));
    put16(ip, id);
    put16(ip, kDontFragment);
    ip.append(char(kTimeToLive));
    ip.append(char(kUdp));
    put16(ip, 0); // checksum, below
    put32(ip, from.address);
    put32(ip, to.address);
    putAt(ip, 10, finish(sumWords(ip)));
    return ip + udp;
}

} // namespace capture
