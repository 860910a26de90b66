#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <map>
#include <utility>

namespace protocol {

// Colours are kept as Windows colour values (0x00BBGGRR); a set top bit names a system colour.
using WinColour = quint32;

constexpr WinColour kIdleColour = 0x80000005;       // system colour of window backgrounds
constexpr WinColour kWindowTextColour = 0x80000008; // system colour of window text
constexpr WinColour kPendingColour = 0x00FF8080;    // light blue: request out, no answer yet
constexpr WinColour kAnsweredColour = 0x00C0FFC0;   // light green: last answer passed its check

constexpr int kRowCount = 16;

// The eleven cell columns of the board, each named after the label array that shows it.
enum class Column {
    Label6,  // row number ("Nr.")
    Label1,  // identifier ("ID:"), also the device-present marker
    Label2,  // tag ("Name:")
    Label3,  // descriptor ("Handle:")
    Label4,  // date ("Date:")
    Label5,  // the two response-code bytes of command 0 ("Status:")
    Label13, // loop current ("I, mA")
    Label14, // primary variable ("Par.N 1")
    Label15, // secondary variable ("Par.N 2")
    Label16, // tertiary variable ("Par.N 3")
    Label17, // quaternary variable ("Par.N 4")
};

// Left to right, as the board shows them.
constexpr std::array<Column, 11> kAllColumns = {
    Column::Label6,  Column::Label1,  Column::Label2,  Column::Label3,
    Column::Label4,  Column::Label5,  Column::Label13, Column::Label14,
    Column::Label15, Column::Label16, Column::Label17,
};

// The cells of one row that change together with one HART command.
constexpr std::array<Column, 3> kCommand0Cells = {Column::Label6, Column::Label1, Column::Label5};
constexpr std::array<Column, 3> kCommand13Cells = {Column::Label2, Column::Label3, Column::Label4};
constexpr std::array<Column, 5> kCommand3Cells = {Column::Label13, Column::Label14, Column::Label15,
                                                  Column::Label16, Column::Label17};

// "Label1", "Label13", ...: the control-array name of a column.
QString columnName(Column column);

// What the protocol writes to and reads from the board. The window implements it with labels,
// the tests with MemoryBoard. Rows are polling addresses 0 to 15.
class Board {
public:
    virtual ~Board() = default;
    virtual void setCaption(Column column, int row, const QString& caption) = 0;
    virtual void setColour(Column column, int row, WinColour colour) = 0;
    virtual QString caption(Column column, int row) const = 0;
    virtual WinColour colour(Column column, int row) const = 0;
};

// The caption a cell carries when the window is created: "00" to "15" for the row numbers,
// empty identifiers in rows 0 and 1 and one space in rows 2 to 15, one space in the tag,
// descriptor, date and status columns, empty value cells.
QString designCaption(Column column, int row);

// Puts every cell into its design state: design caption, idle colour.
void applyDesignCaptions(Board& board);

// A board held in memory.
class MemoryBoard final : public Board {
public:
    MemoryBoard();
    void setCaption(Column column, int row, const QString& caption) override;
    void setColour(Column column, int row, WinColour colour) override;
    QString caption(Column column, int row) const override;
    WinColour colour(Column column, int row) const override;

private:
    struct Cell {
        QString caption;
        WinColour colour = kIdleColour;
    };
    std::map<std::pair<Column, int>, Cell> m_cells;
};

} // namespace protocol
