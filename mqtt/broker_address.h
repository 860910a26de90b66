#pragma once

#include <QString>

#include <optional>

namespace mqtt {

// Where the broker is: mqtt://HOST[:PORT] (1883 unless given) or mqtts://HOST[:PORT] (TLS, 8883).
struct BrokerAddress {
    QString host;
    int port = 1883;
    bool tls = false;

    // As it is given and printed: never with a user or password.
    QString text() const;
};

enum class AddressProblem {
    None,
    Scheme, // neither mqtt:// nor mqtts://
    NoHost,
    Port,        // not a number from 1 to 65535
    Credentials, // a user or password in the address: they belong in the side file
    Extra,       // a path, query or fragment
};

std::optional<BrokerAddress> parseBrokerAddress(const QString& url, AddressProblem* problem);

// The client ID a logger has unless one is given: the machine's name and the port's, so that two
// loggers on one box, or one port's name on two boxes, do not meet.
QString defaultClientId(const QString& machine, const QString& device);

} // namespace mqtt
