#include "network_words.h"

#include "app/texts.h"
#include "net/hartip_session.h"

namespace core {

QString networkPlace(const net::HartIpSession& session, qint16 languageFlag) {
    const net::HartIpAddress& at = session.address();
    using Order = net::HartIpSessionMachine::SecureOrder;
    const QString transport = at.secure ? app::text(session.secureOrder() == Order::TlsFirst
                                                        ? app::Text::NetworkTlsFirst
                                                        : app::Text::NetworkTlsAfterInitiate,
                                                    languageFlag)
                              : at.udp ? QStringLiteral("UDP")
                                       : QStringLiteral("TCP");
    return QStringLiteral("%1:%2, %3").arg(at.host).arg(at.port).arg(transport);
}

QString networkFailureReason(const net::HartIpSession& session, qint16 languageFlag) {
    using Failure = net::HartIpSessionMachine::Failure;
    using State = net::HartIpSessionMachine::State;
    const QString seconds = QString::number(session.answerTimeoutMs() / 1000.0);
    using Obstacle = net::HartIpSession::SecureObstacle;
    using app::Text;
    const auto say = [languageFlag](Text id) { return app::text(id, languageFlag); };
    switch (session.secureObstacle()) {
    case Obstacle::NoKey:
        return say(Text::NetworkNoKey).arg(session.address().host);
    case Obstacle::NoTls:
        return say(Text::NetworkNoTls);
    case Obstacle::None:
        break;
    }
    switch (session.failure()) {
    case Failure::Refused:
        return say(Text::NetworkRefused).arg(session.refusedStatus());
    case Failure::NoAnswer:
        switch (session.failedIn()) {
        case State::Connecting:
            return say(Text::NetworkNoConnection).arg(seconds);
        case State::Securing:
            return say(Text::NetworkNoHandshake).arg(seconds);
        case State::Initiating:
            return say(Text::NetworkNoInitiateAnswer).arg(seconds);
        case State::Open:
            return say(Text::NetworkNoKeepAliveAnswer).arg(seconds);
        case State::Closed:
        case State::Paused:
            break;
        }
        return say(Text::NetworkNoAnswer);
    case Failure::StreamUnreadable:
        return say(Text::NetworkUnreadable);
    case Failure::TlsExpected:
        return say(Text::NetworkTlsExpected);
    case Failure::TlsRefused:
        return say(Text::NetworkHandshakeFailed);
    case Failure::MessageUnfinished:
        return say(Text::NetworkMessageUnfinished).arg(seconds);
    case Failure::RequestsUnanswered:
        return say(Text::NetworkRequestsUnanswered);
    case Failure::VersionRefused:
        // With a key the session has already gone secure for its next try.
        return session.address().secure
                   ? say(Text::NetworkWantsSecure)
                   : say(Text::NetworkWantsSecureNoKey).arg(session.address().host);
    case Failure::ConnectionLost:
    case Failure::None:
        break;
    }
    if (session.handshakeFailed())
        return say(Text::NetworkHandshakeFailed);
    return session.socketError().isEmpty() ? say(Text::NetworkConnectionLost)
                                           : session.socketError();
}

QString addressProblemText(const QString& device, qint16 languageFlag) {
    using app::Text;
    using net::AddressProblem;
    AddressProblem problem = AddressProblem::None;
    net::parseHartIpDevice(device, &problem);
    // The host as written, for the words that name it.
    QString host = device.mid(device.indexOf(QLatin1String("://")) + 3);
    if (host.startsWith(QLatin1Char('[')))
        host = host.mid(1, host.indexOf(QLatin1Char(']')) - 1);
    else if (problem != AddressProblem::Ipv6NotBracketed)
        host = host.left(host.indexOf(QLatin1Char(':')));
    switch (problem) {
    case AddressProblem::None:
    case AddressProblem::NotHartIp:
        break;
    case AddressProblem::NoHost:
        return app::text(Text::AddressNoHost, languageFlag);
    case AddressProblem::NotDottedIpv4:
        return app::text(Text::AddressNotDottedIpv4, languageFlag).arg(host);
    case AddressProblem::NotIpv6:
        return app::text(Text::AddressNotIpv6, languageFlag).arg(host);
    case AddressProblem::Ipv6NotBracketed:
        return app::text(Text::AddressIpv6NotBracketed, languageFlag).arg(host);
    case AddressProblem::NotHostName:
        return app::text(Text::AddressNotHostName, languageFlag).arg(host);
    case AddressProblem::BadPort:
        return app::text(Text::AddressBadPort, languageFlag);
    case AddressProblem::MoreThanHostPort:
        return app::text(Text::AddressMoreThanHostPort, languageFlag);
    }
    return QString();
}

QString keyProblemText(net::KeyProblem problem, qint16 languageFlag) {
    using app::Text;
    switch (problem) {
    case net::KeyProblem::None:
        break;
    case net::KeyProblem::NoIdentity:
        return app::text(Text::NetworkKeyNoIdentity, languageFlag);
    case net::KeyProblem::NotHex:
        return app::text(Text::NetworkKeyNotHex, languageFlag);
    case net::KeyProblem::TooShort:
        return app::text(Text::NetworkKeyTooShort, languageFlag);
    case net::KeyProblem::TooLong:
        return app::text(Text::NetworkKeyTooLong, languageFlag);
    }
    return QString();
}

} // namespace core
