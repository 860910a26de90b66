#pragma once

// Setting up and inspecting the in-memory board in tests.

#include "protocol/board.h"

#include <QString>

#include <algorithm>

namespace ptest {

template <typename Cells> bool inGroup(const Cells& cells, protocol::Column column) {
    return std::find(cells.begin(), cells.end(), column) != cells.end();
}

// What the polling cycle does before it sends a command: the group's cells turn pending and,
// but for the row number, lose their captions.
template <typename Cells> void markPending(protocol::Board& board, const Cells& cells, int row) {
    for (protocol::Column c : cells) {
        board.setColour(c, row, protocol::kPendingColour);
        if (c != protocol::Column::Label6)
            board.setCaption(c, row, QString());
    }
}

inline QString markerFor(protocol::Column column, int row) {
    return QStringLiteral("m%1/%2").arg(int(column)).arg(row);
}

constexpr protocol::WinColour kMarkerColour = 0x00123456;

// Gives every cell of the board a caption and colour of its own, so that any cell a decoder
// touches by mistake shows.
inline void fillWithMarkers(protocol::Board& board) {
    for (int row = 0; row < protocol::kRowCount; ++row)
        for (protocol::Column c : protocol::kAllColumns) {
            board.setCaption(c, row, markerFor(c, row));
            board.setColour(c, row, kMarkerColour);
        }
}

// The first cell outside `cells` of `row` that lost its marker, or an empty string.
template <typename Cells>
QString touchedOutside(const protocol::Board& board, const Cells& cells, int row) {
    for (int r = 0; r < protocol::kRowCount; ++r)
        for (protocol::Column c : protocol::kAllColumns) {
            if (r == row && inGroup(cells, c))
                continue;
            if (board.caption(c, r) != markerFor(c, r) || board.colour(c, r) != kMarkerColour)
                return markerFor(c, r);
        }
    return QString();
}

} // namespace ptest
