#pragma once

#include "hart_frame.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace protocol {

// Which of a loop's two masters this program is. A control system is usually the primary master
// of a plant loop and a handheld the secondary; an instrument answers to the master its request
// names, so each master hears only its own answers.
enum class MasterRole { Primary, Secondary };

constexpr quint8 masterBitOf(MasterRole role) {
    return role == MasterRole::Primary ? kMasterBit : quint8(0);
}

// The address bytes a request from `role` carries: the first byte's six address bits as given
// (the polling address, or what command 0 delivered), its master bit the role's and its burst
// bit clear, whatever the instrument's own first byte held in those two places.
QByteArray requestAddress(const QByteArray& address, MasterRole role);

// "primary" and "secondary", as the command line and the side file write them.
QString roleWord(MasterRole role);
std::optional<MasterRole> roleFromWord(const QString& word);

} // namespace protocol
