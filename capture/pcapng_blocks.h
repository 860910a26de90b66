#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The blocks of a pcapng file, little-endian, as Wireshark and tshark read them: one section
// header, one interface, then one enhanced packet block a packet. Values only: no files here.
namespace capture::pcapng {

// Raw IPv4 packets, no link-layer header (LINKTYPE_IPV4).
constexpr quint16 kLinkTypeIpv4 = 228;

// The section header: byte-order magic, version 1.0, length unknown; `application` names the
// program that wrote it (shb_userappl).
QByteArray sectionHeader(const QString& application);
// The one interface every packet names: `linkType`, no snapshot limit, microsecond time stamps.
QByteArray interfaceDescription(quint16 linkType);
// One packet on interface 0 at `timestampUs` (µs since the epoch), with `comment` (opt_comment)
// when it is not empty.
QByteArray enhancedPacket(qint64 timestampUs, const QByteArray& packet, const QString& comment);

} // namespace capture::pcapng
