#pragma once

#include "board.h"
#include "hart_frame.h"
#include "protocol_state.h"

#include <QLocale>

namespace protocol {

// The three answer decoders: thin writers of the board. Each takes the answer the receive step
// read for Hart_Address, taken apart once there, accepts it with checkAnswer(), stores what it
// learned in Device_Table and writes row Hart_Address of the board. Each returns whether it
// accepted the answer.
//
// The board shows the answers as it was designed to: numbers through Unpack_Float (which never
// yields NaN or infinity: HART's "no value" 0x7FA00000 shows as a large number) rounded for
// display, and the identifier cell with the manufacturer byte as sent, master bit included.
// The field model, the instrument view and the CSV read the same frame for the true values: a
// float as IEEE 754 says (NaN shows as NaN) and the unique address with its master and burst
// bits masked. Neither side changes the other.

// Command 0: identity, long address, identifier and status cells.
bool Command_0(ProtocolState& state, Board& board, const HartFrame& answer);

// Command 3: loop current and the dynamic variables the instrument sent, rounded for display.
bool Command_3(ProtocolState& state, Board& board, const HartFrame& answer,
               const QLocale& locale = QLocale::system());

// Command 13: tag, descriptor and date.
bool Command_13(ProtocolState& state, Board& board, const HartFrame& answer);

// Empties every row of the board and every record, sets Hart_Address to 0 and every
// Rx_Buffer cell to 0. Row numbers stay.
void Clear_Display(ProtocolState& state, Board& board);

} // namespace protocol
