#pragma once

#include "device_record.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

namespace protocol {

constexpr int kRxBufferSize = 1024;
constexpr qint16 kRxFill = 20; // every receive buffer cell holds this before an answer lands

using RxBuffer = std::array<qint16, kRxBufferSize>;

// The state the polling cycle and the decoders share for the whole run.
struct ProtocolState {
    qint16 Hart_Command = 0; // command of the request in hand: 0, 13 or 3
    qint16 Hart_Address = 0; // polling address in hand, 0 to 15: board row and table index
    QByteArray Tx_String;    // the request frame to send
    QByteArray Rx_String; // the answer as read; after the preamble strip it starts at its delimiter
    QString Rx_Dump;      // hex dump of the answer as read, preamble included
    RxBuffer Rx_Buffer{}; // cell k = byte k of the answer from its delimiter, the rest kRxFill
    int Rx_Stored = 0;    // how many cells of Rx_Buffer the last answer filled
    DeviceTable Device_Table{};
};

} // namespace protocol
