#pragma once

#include "net/hartip_tls.h"

#include <QString>
#include <QtGlobal>

namespace net {
class HartIpSession;
}

// How a HART-IP session is named and why it is not open, in the operator's language: the port
// line of the window and the logger's lines say the same.
namespace core {

// "10.0.0.5:5094, TCP", "…, UDP", or "…, TLS first" (or after Session Initiate) once secure.
QString networkPlace(const net::HartIpSession& session, qint16 languageFlag);
// Why the session failed, for a session that is waiting to open again.
QString networkFailureReason(const net::HartIpSession& session, qint16 languageFlag);

// What is wrong with a HART-IP address as written (`device`); empty for AddressProblem::None.
QString addressProblemText(const QString& device, qint16 languageFlag);

// What is wrong with a pre-shared key as given; empty for KeyProblem::None.
QString keyProblemText(net::KeyProblem problem, qint16 languageFlag);

} // namespace core
