#pragma once

#include "device_record.h"
#include "protocol_state.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace protocol {

constexpr quint8 kPreambleByte = 0xFF;
constexpr quint8 kShortDelimiter = 0x02;    // master to slave, polling address
constexpr quint8 kLongDelimiter = 0x82;     // master to slave, five-byte long address
constexpr int kShortAnswerDelimiter = 0x06; // slave to master, polling address
constexpr int kLongAnswerDelimiter = 0x86;  // slave to master, five-byte long address
constexpr int kPollingAddressMask = 0x3F;   // a short address byte less its master and burst bits
constexpr int kLongAddressFirstByteMask = 0x3F; // the same two bits lead a long address
constexpr int kLongAddressLength = 5;

// Exclusive-or of every byte of `bytes`: the check byte of a frame when given everything
// from its delimiter up to the byte before the check byte.
quint8 checkByte(const QByteArray& bytes);

// The request frame for `command` and polling address `address` (0 to 15): command 0 as a
// short frame (four preamble bytes), commands 13 and 3 as long frames (five preamble bytes) to
// the instrument whose record sits at `address` in `table`. Any other command gives an empty
// frame.
QByteArray Build_Request(qint16 command, qint16 address, const DeviceTable& table);

// Whether the answer in Rx_Buffer can be trusted, read from the frame's own header.
struct AnswerCheck {
    // Complete, check byte right, command byte the one sent, and sent by the addressed
    // instrument in the form asked.
    bool good = false;
    int byteCount = 0;   // the answer's byte count (response codes plus data); 0 when not read
    qint16 checkSum = 0; // exclusive-or of the cells before the check byte (or of what arrived)
};

// Checks the answer that Receive_Answer stored (Rx_Buffer, Rx_Stored) against the request in
// hand: `sentCommand` to Hart_Address. The delimiter's bit 7 gives a five-byte address,
// otherwise one byte; then command, byte count bc, bc bytes and the check byte. Only an answer
// delimiter counts: short (06) for command 0 from that polling address, long (86) for the others
// from the long address in the address's record (master and burst bits aside). A good check
// byte alone is not enough: a slow neighbour's late answer or a wrong form carries one too.
AnswerCheck checkAnswer(const ProtocolState& state, int sentCommand);

// " FF FF 06 80": one blank before each byte, two upper-case hex digits per byte.
QString hexDump(const QByteArray& bytes);

} // namespace protocol
