#include "net/hartip_address.h"

#include <QHostAddress>
#include <QStringList>

namespace net {

namespace {

struct Scheme {
    const char* prefix;
    bool udp;
    bool secure;
};
constexpr Scheme kSchemes[] = {
    {"hartip://", false, false}, {"hartip+udp://", true, false}, {"hartips://", false, true}};

bool allDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// Four decimal numbers 0 to 255, nothing else: no octal, no hexadecimal, no short forms.
bool isDottedIpv4(const QString& host) {
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts)
        if (!allDigits(part) || part.size() > 3 || part.toInt() > 255)
            return false;
    return true;
}

// Labels of letters, digits and hyphens, a hyphen never first or last, joined by dots.
bool isHostName(const QString& host) {
    if (host.size() > 253)
        return false;
    for (const QString& label : host.split(QLatin1Char('.'))) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(QLatin1Char('-')) ||
            label.endsWith(QLatin1Char('-')))
            return false;
        for (const QChar c : label)
            if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('-'))
                return false;
    }
    return true;
}

std::optional<HartIpAddress> refuse(AddressProblem why, AddressProblem* problem) {
    if (problem)
        *problem = why;
    return std::nullopt;
}

} // namespace

bool looksLikeHartIp(const QString& device) {
    for (const Scheme& scheme : kSchemes)
        if (device.startsWith(QLatin1String(scheme.prefix)))
            return true;
    return false;
}

QString hartIpDevice(const HartIpAddress& address) {
    const QString scheme = address.secure ? QStringLiteral("hartips")
                           : address.udp  ? QStringLiteral("hartip+udp")
                                          : QStringLiteral("hartip");
    // An IPv6 host goes in brackets, as in any URL.
    const QString host = address.host.contains(QLatin1Char(':'))
                             ? QStringLiteral("[%1]").arg(address.host)
                             : address.host;
    return QStringLiteral("%1://%2:%3").arg(scheme, host).arg(address.port);
}

std::optional<HartIpAddress> parseHartIpDevice(const QString& device, AddressProblem* problem) {
    if (problem)
        *problem = AddressProblem::None;
    HartIpAddress address;
    QString rest;
    bool named = false;
    for (const Scheme& scheme : kSchemes) {
        if (device.startsWith(QLatin1String(scheme.prefix))) {
            rest = device.mid(int(qstrlen(scheme.prefix)));
            address.udp = scheme.udp;
            address.secure = scheme.secure;
            named = true;
            break;
        }
    }
    if (!named)
        return refuse(AddressProblem::NotHartIp, problem);
    for (const QChar c : {QLatin1Char('/'), QLatin1Char('?'), QLatin1Char('#'), QLatin1Char('@')})
        if (rest.contains(c))
            return refuse(AddressProblem::MoreThanHostPort, problem);

    QString port;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 0)
            return refuse(AddressProblem::NotIpv6, problem);
        address.host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(QLatin1Char(':')))
            return refuse(AddressProblem::MoreThanHostPort, problem);
        port = after.mid(1);
        const QHostAddress ip(address.host);
        if (address.host.isEmpty() || ip.protocol() != QAbstractSocket::IPv6Protocol)
            return refuse(AddressProblem::NotIpv6, problem);
        if (!after.isEmpty() && port.isEmpty())
            return refuse(AddressProblem::BadPort, problem);
    } else {
        if (rest.count(QLatin1Char(':')) > 1)
            return refuse(AddressProblem::Ipv6NotBracketed, problem);
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        address.host = colon < 0 ? rest : rest.left(colon);
        if (colon >= 0) {
            port = rest.mid(colon + 1);
            if (port.isEmpty())
                return refuse(AddressProblem::BadPort, problem);
        }
        if (address.host.isEmpty())
            return refuse(AddressProblem::NoHost, problem);
        // Digits and dots only: an IPv4 address, written out in full.
        bool numeric = true;
        for (const QChar c : address.host)
            numeric = numeric &&
                      ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.'));
        if (numeric ? !isDottedIpv4(address.host) : !isHostName(address.host))
            return refuse(numeric ? AddressProblem::NotDottedIpv4 : AddressProblem::NotHostName,
                          problem);
    }
    if (!port.isEmpty()) {
        if (!allDigits(port) || port.size() > 5 || port.toInt() < 1 || port.toInt() > 65535)
            return refuse(AddressProblem::BadPort, problem);
        address.port = quint16(port.toInt());
    }
    return address;
}

QString keyHost(const QString& host) {
    QString plain = host.trimmed();
    if (plain.startsWith(QLatin1Char('[')) && plain.endsWith(QLatin1Char(']')))
        plain = plain.mid(1, plain.size() - 2);
    const QHostAddress ip(plain);
    if (ip.protocol() == QAbstractSocket::IPv6Protocol)
        return ip.toString();
    return plain.toLower();
}

} // namespace net
