#pragma once

#include "board.h"
#include "protocol_state.h"

#include <QLocale>

namespace protocol {

// The three answer decoders. Each reads Rx_Buffer and Hart_Address, accepts the answer with
// checkAnswer(), stores what it learned in Device_Table and writes row Hart_Address of the board.
// Each returns whether it accepted the answer.

// Command 0: identity, long address, identifier and status cells.
bool Command_0(ProtocolState& state, Board& board);

// Command 3: loop current and the dynamic variables the instrument sent, rounded for display.
bool Command_3(ProtocolState& state, Board& board, const QLocale& locale = QLocale::system());

// Command 13: tag, descriptor and date.
bool Command_13(ProtocolState& state, Board& board);

// Empties every row of the board and every record, sets Hart_Address to 0 and every
// Rx_Buffer cell to 0. Row numbers stay.
void Clear_Display(ProtocolState& state, Board& board);

} // namespace protocol
