#pragma once

#include "device_record.h"
#include "hart_frame.h"
#include "master_role.h"
#include "protocol_state.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace protocol {

// The request frame for `command` and polling address `address` (0 to 15) from the master
// `role`: command 0 as a short frame (four preamble bytes), commands 13 and 3 as long frames
// (five preamble bytes) to the instrument whose record sits at `address` in `table`, its long
// address as command 0 delivered it but with the role's master bit and the burst bit clear. Any
// other command gives an empty frame.
QByteArray Build_Request(qint16 command, qint16 address, const DeviceTable& table, MasterRole role);

// A request for any command, with `data`, in the form of commands 13 and 3. Empty for an
// address outside the table.
QByteArray buildOnDemandRequest(int command, int address, const DeviceTable& table,
                                const QByteArray& data, MasterRole role);
// The same to the instrument whose long address is `longAddress`.
QByteArray buildRequestTo(const QByteArray& longAddress, int command, const QByteArray& data,
                          MasterRole role);
// Whether `answer` is a whole answer, check byte right, to `command`, from the instrument whose
// long address (as command 0 delivered it) is `longAddress`, in the long form. The master and
// burst bits say nothing of who answers.
bool answersRequest(const HartFrame& answer, int command, const QByteArray& longAddress);

// Whether the answer the receive step read can be trusted, read from the frame's own header.
struct AnswerCheck {
    // Complete, check byte right, command byte the one sent, and sent by the addressed
    // instrument in the form asked.
    bool good = false;
    int byteCount = 0;   // the answer's byte count (response codes plus data); 0 when not read
    qint16 checkSum = 0; // exclusive-or of the bytes before the check byte (or of what arrived)
};

// Checks `answer` against the request in hand: `sentCommand` to Hart_Address. Only an answer
// delimiter counts: short (06) for command 0 from that polling address, long (86) for the others
// from the long address in the address's record (master and burst bits aside). A good check
// byte alone is not enough: a slow neighbour's late answer or a wrong form carries one too.
AnswerCheck checkAnswer(const HartFrame& answer, const ProtocolState& state, int sentCommand);

// " FF FF 06 80": one blank before each byte, two upper-case hex digits per byte.
QString hexDump(const QByteArray& bytes);

} // namespace protocol
