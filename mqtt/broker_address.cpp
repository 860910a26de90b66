#include "broker_address.h"

#include "net/hartip_address.h"

#include <QFileInfo>
#include <QUrl>

namespace mqtt {

QString BrokerAddress::text() const {
    const QString shownHost =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QStringLiteral("%1://%2:%3")
        .arg(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"), shownHost)
        .arg(port);
}

std::optional<BrokerAddress> parseBrokerAddress(const QString& url, AddressProblem* problem) {
    const auto fail = [problem](AddressProblem why) {
        *problem = why;
        return std::nullopt;
    };
    *problem = AddressProblem::None;
    const QString given = url.trimmed();
    const QString scheme = given.section(QLatin1Char(':'), 0, 0).toLower();
    if ((scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")) ||
        !given.mid(scheme.size()).startsWith(QLatin1String("://")))
        return fail(AddressProblem::Scheme);
    const QUrl parsed(given, QUrl::StrictMode);
    if (!parsed.isValid()) {
        // QUrl refuses a port it cannot take as a whole: the text after the host says which.
        const QString authority = given.mid(scheme.size() + 3).section(QLatin1Char('/'), 0, 0);
        const bool portGiven =
            authority.lastIndexOf(QLatin1Char(':')) > authority.lastIndexOf(QLatin1Char(']'));
        return fail(authority.contains(QLatin1Char('@')) ? AddressProblem::Credentials
                    : portGiven                          ? AddressProblem::Port
                                                         : AddressProblem::NoHost);
    }
    if (!parsed.userInfo().isEmpty())
        return fail(AddressProblem::Credentials);
    if (parsed.host().isEmpty())
        return fail(AddressProblem::NoHost);
    if ((!parsed.path().isEmpty() && parsed.path() != QLatin1String("/")) || parsed.hasQuery() ||
        parsed.hasFragment())
        return fail(AddressProblem::Extra);
    BrokerAddress address;
    address.tls = scheme == QLatin1String("mqtts");
    address.host = parsed.host();
    address.port = parsed.port(address.tls ? 8883 : 1883);
    // QUrl takes a port it cannot read as none at all: the text decides.
    const QString authority = parsed.authority();
    const int colon = authority.lastIndexOf(QLatin1Char(':'));
    if (colon > authority.lastIndexOf(QLatin1Char(']'))) {
        bool ok = false;
        const int given = authority.mid(colon + 1).toInt(&ok);
        if (!ok || given < 1 || given > 65535)
            return fail(AddressProblem::Port);
    }
    if (address.port < 1 || address.port > 65535)
        return fail(AddressProblem::Port);
    return address;
}

QString defaultClientId(const QString& machine, const QString& device) {
    QString port;
    if (const std::optional<net::HartIpAddress> network = net::parseHartIpDevice(device))
        port = network->host + QLatin1Char('_') + QString::number(network->port);
    else
        port = QFileInfo(device).fileName();
    return machine.isEmpty() ? port : machine + QLatin1Char('-') + port;
}

} // namespace mqtt
