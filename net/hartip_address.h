#pragma once

#include "protocol/hartip_message.h"

#include <QString>

#include <optional>

namespace net {

// Where a HART-IP server is: `hartip://HOST[:PORT]` (TCP), `hartip+udp://HOST[:PORT]`, or
// `hartips://HOST[:PORT]` (version 2 inside TLS with a pre-shared key, over TCP); port 5094
// unless given. HOST is a host name, a dotted IPv4 address or an IPv6 address in brackets.
struct HartIpAddress {
    QString host;
    quint16 port = protocol::hartip::kDefaultPort;
    bool udp = false;
    bool secure = false;
};

// What is wrong with an address that looks like HART-IP.
enum class AddressProblem {
    None,
    NotHartIp, // no hartip://, hartip+udp:// or hartips:// in front
    NoHost,
    NotDottedIpv4,    // digits and dots, but not four numbers 0 to 255 ("10.0.5", "167772165")
    NotIpv6,          // in brackets, but no IPv6 address
    Ipv6NotBracketed, // more than one colon outside brackets
    NotHostName,      // characters a host name cannot hold
    BadPort,          // not a number from 1 to 65535
    MoreThanHostPort, // a path, query, fragment or user after the scheme
};

// The device string that names `address`.
QString hartIpDevice(const HartIpAddress& address);
// The address `device` names, read by the rules above and nothing looser (no URL shorthand
// that would reach another host or port than the one written); nothing, with what is wrong in
// `problem`, otherwise.
std::optional<HartIpAddress> parseHartIpDevice(const QString& device,
                                               AddressProblem* problem = nullptr);
// Whether `device` names a HART-IP server at all, well-formed or not.
bool looksLikeHartIp(const QString& device);
// The one form a host is kept and looked up under (its pre-shared key): host names in lower case,
// an IPv6 address without brackets in its shortest form ("fd00::5"), anything else as it is.
QString keyHost(const QString& host);

} // namespace net
