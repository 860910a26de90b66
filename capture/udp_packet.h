#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace capture {

// One end of a datagram: an IPv4 address (host order, 10.0.0.1 is 0x0A000001) and a port.
struct Endpoint {
    quint32 address = 0;
    quint16 port = 0;
};

// `payload` as one UDP datagram in one IPv4 packet from `from` to `to`: a 20-byte IPv4 header
// with its checksum (TTL 64, don't fragment, `id` as its identification), an 8-byte UDP header
// whose checksum covers the pseudo-header, then the payload.
QByteArray udpOverIpv4(const Endpoint& from, const Endpoint& to, quint16 id,
                       const QByteArray& payload);

} // namespace capture
