#include "master_role.h"

namespace protocol {

QByteArray requestAddress(const QByteArray& address, MasterRole role) {
    QByteArray sent = address;
    if (!sent.isEmpty())
        sent[0] = char((quint8(sent.at(0)) & kAddressBits) | masterBitOf(role));
    return sent;
}

QString roleWord(MasterRole role) {
    return role == MasterRole::Primary ? QStringLiteral("primary") : QStringLiteral("secondary");
}

std::optional<MasterRole> roleFromWord(const QString& word) {
    if (word == QLatin1String("primary"))
        return MasterRole::Primary;
    if (word == QLatin1String("secondary"))
        return MasterRole::Secondary;
    return std::nullopt;
}

} // namespace protocol
