#include "board.h"

namespace protocol {

QString columnName(Column column) {
    switch (column) {
    case Column::Label6:
        return QStringLiteral("Label6");
    case Column::Label1:
        return QStringLiteral("Label1");
    case Column::Label2:
        return QStringLiteral("Label2");
    case Column::Label3:
        return QStringLiteral("Label3");
    case Column::Label4:
        return QStringLiteral("Label4");
    case Column::Label5:
        return QStringLiteral("Label5");
    case Column::Label13:
        return QStringLiteral("Label13");
    case Column::Label14:
        return QStringLiteral("Label14");
    case Column::Label15:
        return QStringLiteral("Label15");
    case Column::Label16:
        return QStringLiteral("Label16");
    case Column::Label17:
        return QStringLiteral("Label17");
    }
    return {};
}

QString designCaption(Column column, int row) {
    const QString blank = QStringLiteral(" ");
    switch (column) {
    case Column::Label6:
        return QStringLiteral("%1").arg(row, 2, 10, QLatin1Char('0'));
    case Column::Label1:
        // The first two identifier cells were left empty when the board was drawn; both an
        // empty caption and a blank mean "no device" to the cycle.
        return row < 2 ? QString() : blank;
    case Column::Label2:
    case Column::Label3:
    case Column::Label4:
    case Column::Label5:
        return blank;
    case Column::Label13:
    case Column::Label14:
    case Column::Label15:
    case Column::Label16:
    case Column::Label17:
        return QString();
    }
    return {};
}

void applyDesignCaptions(Board& board) {
    for (int row = 0; row < kRowCount; ++row) {
        for (Column column : kAllColumns) {
            board.setCaption(column, row, designCaption(column, row));
            board.setColour(column, row, kIdleColour);
        }
    }
}

MemoryBoard::MemoryBoard() {
    applyDesignCaptions(*this);
}

void MemoryBoard::setCaption(Column column, int row, const QString& caption) {
    m_cells[{column, row}].caption = caption;
}

void MemoryBoard::setColour(Column column, int row, WinColour colour) {
    m_cells[{column, row}].colour = colour;
}

QString MemoryBoard::caption(Column column, int row) const {
    const auto it = m_cells.find({column, row});
    return it == m_cells.end() ? QString() : it->second.caption;
}

WinColour MemoryBoard::colour(Column column, int row) const {
    const auto it = m_cells.find({column, row});
    return it == m_cells.end() ? kIdleColour : it->second.colour;
}

} // namespace protocol
