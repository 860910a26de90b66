#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QObject;
class QSslSocket;

// HART-IP version 2 runs inside TLS with a pre-shared key: both ends prove they hold the same
// secret, so there is no certificate to check. Only TLS 1.2 PSK suites are offered; servers that
// speak version 2 accept them, and Qt hands the key over only on that path.
namespace net {

struct PreSharedKey {
    QByteArray identity; // sent in the clear, as TLS does
    QByteArray key;      // never shown, never logged
    bool isSet() const { return !identity.isEmpty() && !key.isEmpty(); }
};

// The key from its settings form: an identity and the key in hexadecimal digits (16 to 64
// bytes; spaces and colons between the digits are allowed). Nothing, with the reason in
// `problem`, when either is unusable.
enum class KeyProblem { None, NoIdentity, NotHex, TooShort, TooLong };
std::optional<PreSharedKey> parsePreSharedKey(const QString& identity, const QString& hexKey,
                                              KeyProblem* problem = nullptr);

// Whether this build's TLS can carry a pre-shared key (the OpenSSL backend can; Schannel on
// Windows cannot).
bool pskTlsAvailable();

// A socket that will open TLS 1.2 with `key` when connected with connectToHostEncrypted().
QSslSocket* newPskSocket(const PreSharedKey& key, QObject* parent);

} // namespace net
