#pragma once

#include "udp_packet.h"

#include "protocol/line_framer.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <map>

namespace capture {

// One packet of a capture: raw IPv4 bytes, when its first byte came, and what the packet
// cannot say itself.
struct CapturedPacket {
    qint64 timestampUs = 0; // since the epoch
    QByteArray ipv4;
    QString comment;
};

// Wraps HART frames heard on (or sent to) a serial line as HART-IP would carry them, so that a
// protocol analyzer takes every field apart: each frame, without its preamble, is the body of a
// token-passing PDU message (version 1, request / response / publish), in a UDP datagram to or
// from port 5094. The primary master is 10.0.0.1, the secondary 10.0.0.2; an instrument is
// 10.0.1.x, x its polling address plus one, or, for one heard by its long address while its
// polling address is not known, 101 on in the order they were heard until it is. An answer carries
// the sequence number of the request of the master it names, so the analyzer pairs them.
class HartIpWrapping {
public:
    // The polling address of the instrument with this unique address (five bytes, master and
    // burst bits clear), or -1 when it is not known.
    using PollingAddressOf = std::function<int(const QByteArray& uniqueAddress)>;
    explicit HartIpWrapping(PollingAddressOf pollingAddressOf = {});

    // `frame` as heard (or as this program sent it: `sent`), its first byte at `startUs`.
    CapturedPacket wrap(const protocol::HeardFrame& frame, qint64 startUs, bool sent);

    static constexpr quint16 kPort = 5094;
    static constexpr quint32 kPrimaryMaster = 0x0A000001;   // 10.0.0.1
    static constexpr quint32 kSecondaryMaster = 0x0A000002; // 10.0.0.2
    static constexpr quint32 kInstruments = 0x0A000100;     // 10.0.1.0
    static constexpr quint32 kUnknownSender = 0x0A0002FE;   // 10.0.2.254: nobody can tell

private:
    quint32 instrumentAddress(const protocol::HartFrame& frame);

    PollingAddressOf m_pollingAddressOf;
    // By long address: placed by polling address, kept from then on; or not placed yet.
    std::map<QByteArray, quint32> m_byLongAddress;
    std::map<QByteArray, quint32> m_unplaced;
    std::array<quint16, 2> m_requestSequence{}; // of the last request, by master bit
    quint16 m_publishSequence = 0;
    quint16 m_ipId = 0;
};

} // namespace capture
