#include "hartip_tls.h"

#include <QRegularExpression>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>

namespace net {

namespace {

constexpr int kShortestKey = 16; // 128 bits
constexpr int kLongestKey = 64;

// Pure PSK and ECDHE-PSK suites: no certificate at either end.
QList<QSslCipher> pskCiphers() {
    QList<QSslCipher> chosen;
    for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers()) {
        const QString name = cipher.name();
        if (name.startsWith(QLatin1String("PSK-")) || name.startsWith(QLatin1String("ECDHE-PSK-")))
            chosen << cipher;
    }
    return chosen;
}

} // namespace

std::optional<PreSharedKey> parsePreSharedKey(const QString& identity, const QString& hexKey,
                                              KeyProblem* problem) {
    const auto refuse = [problem](KeyProblem why) {
        if (problem)
            *problem = why;
        return std::nullopt;
    };
    if (identity.trimmed().isEmpty())
        return refuse(KeyProblem::NoIdentity);
    QString digits = hexKey;
    digits.remove(QRegularExpression(QStringLiteral("[\\s:]")));
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]*$"));
    if (digits.isEmpty() || digits.size() % 2 != 0 || !hexDigits.match(digits).hasMatch())
        return refuse(KeyProblem::NotHex);
    if (digits.size() / 2 < kShortestKey)
        return refuse(KeyProblem::TooShort);
    if (digits.size() / 2 > kLongestKey)
        return refuse(KeyProblem::TooLong);
    if (problem)
        *problem = KeyProblem::None;
    return PreSharedKey{identity.trimmed().toUtf8(), QByteArray::fromHex(digits.toLatin1())};
}

bool pskTlsAvailable() {
    return QSslSocket::supportsSsl() && QSslSocket::isFeatureSupported(QSsl::SupportedFeature::Psk);
}

QSslSocket* newPskSocket(const PreSharedKey& key, QObject* parent) {
    auto* socket = new QSslSocket(parent);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2);
    configuration.setCiphers(pskCiphers());
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone); // the key is the proof
    socket->setSslConfiguration(configuration);
    QObject::connect(socket, &QSslSocket::preSharedKeyAuthenticationRequired, socket,
                     [key](QSslPreSharedKeyAuthenticator* authenticator) {
                         authenticator->setIdentity(key.identity);
                         authenticator->setPreSharedKey(key.key);
                     });
    return socket;
}

} // namespace net
