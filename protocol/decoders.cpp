#include "decoders.h"

#include "codecs.h"
#include "frame.h"
#include "hart_frame.h"

#include <array>

namespace protocol {

namespace {

// What each answer must carry, counted in its byte count (two response-code bytes plus data).
constexpr int kCommand0MinByteCount = 2 + layout::kCommand0Identity;
constexpr int kCommand13MinByteCount = 2 + layout::kCommand13Length;
constexpr int kCommand3MinByteCount = 2 + layout::kCommand3FirstVariable; // the loop current
constexpr int kVariableLength = layout::kCommand3VariableLength;

// The cell of Rx_Buffer where a long-frame answer's data starts: after the delimiter, five
// address bytes, command, byte count and the two response bytes.
constexpr int kLongDataCell = 1 + kLongAddressLength + 2 + 2;

template <size_t N>
void paint(Board& board, const std::array<Column, N>& columns, int row, WinColour colour) {
    for (Column column : columns)
        board.setColour(column, row, colour);
}

bool validRow(qint16 row) {
    return row >= 0 && row < kRowCount;
}

QString hexByte(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// The answer to `command` for the row in hand, its computed check noted in the row's record.
struct RowAnswer {
    qint16 row = 0;
    Device_Record* device = nullptr; // null when the polling address is off the board
    bool accepted = false;           // good, and long enough for what the decoder reads
    int byteCount = 0;
};

RowAnswer takeAnswer(ProtocolState& state, int command, int minByteCount) {
    RowAnswer answer;
    answer.row = state.Hart_Address;
    if (!validRow(answer.row))
        return answer;
    answer.device = &state.Device_Table[static_cast<size_t>(answer.row)];
    const AnswerCheck check = checkAnswer(state, command);
    answer.device->Check_Sum = check.checkSum;
    answer.accepted = check.good && check.byteCount >= minByteCount;
    answer.byteCount = check.byteCount;
    return answer;
}

} // namespace

bool Command_0(ProtocolState& state, Board& board) {
    const RowAnswer answer = takeAnswer(state, 0, kCommand0MinByteCount);
    if (!answer.device)
        return false;
    const qint16 row = answer.row;
    Device_Record& device = *answer.device;

    if (!answer.accepted) {
        // An empty identifier tells the cycle there is no device here, so the stored identity
        // is never used for commands 13 and 3 until a good answer renews it. Those two commands
        // will not be sent here again, so what they last showed would stand for ever as if it
        // were live: the whole row goes blank and idle, as nobody answers at this address now.
        board.setCaption(Column::Label1, row, QString());
        board.setCaption(Column::Label5, row, QString());
        paint(board, kCommand0Cells, row, kIdleColour);
        for (const Column column : kCommand13Cells)
            board.setCaption(column, row, QString());
        for (const Column column : kCommand3Cells)
            board.setCaption(column, row, QString());
        paint(board, kCommand13Cells, row, kIdleColour);
        paint(board, kCommand3Cells, row, kIdleColour);
        return false;
    }

    const RxBuffer& cell = state.Rx_Buffer;
    device.Expansion_Code = cell[6];
    device.Manufacturer_ID = cell[7];
    device.Device_Type = cell[8];
    device.Preamble_Count = cell[9];
    device.Universal_Revision = cell[10];
    device.Device_Revision = cell[11];
    device.Software_Revision = cell[12];
    device.Hardware_Revision = cell[13];
    device.Device_Flags = cell[14];
    device.Device_ID1 = cell[15];
    device.Device_ID2 = cell[16];
    device.Device_ID3 = cell[17];

    device.Long_Address.clear();
    device.Unique_ID_Text.clear();
    for (const int index : {7, 8, 15, 16, 17}) {
        device.Long_Address.append(static_cast<char>(static_cast<quint8>(cell[index])));
        device.Unique_ID_Text += hexByte(cell[index]);
    }
    device.Status_Byte1 = cell[4];
    device.Status_Byte2 = cell[5];

    board.setCaption(Column::Label1, row, device.Unique_ID_Text);
    board.setCaption(Column::Label5, row,
                     hexByte(device.Status_Byte1) + QLatin1Char(' ') +
                         hexByte(device.Status_Byte2));
    paint(board, kCommand0Cells, row, kAnsweredColour);
    return true;
}

bool Command_3(ProtocolState& state, Board& board, const QLocale& locale) {
    const RowAnswer answer = takeAnswer(state, 3, kCommand3MinByteCount);
    if (!answer.device)
        return false;
    const qint16 row = answer.row;

    if (!answer.accepted) {
        paint(board, kCommand3Cells, row, kIdleColour);
        return false;
    }

    struct Value {
        Column column;
        int firstCell;
        int decimals;
    };
    // Loop current first, then the four dynamic variables, each after its units code.
    // The float of a variable follows its units code.
    static constexpr auto variableCell = [](int k) {
        return kLongDataCell + layout::command3Variable(k) + 1;
    };
    static constexpr std::array<Value, 5> kValues = {{
        {Column::Label13, kLongDataCell + layout::kCommand3LoopCurrent, 3},
        {Column::Label14, variableCell(0), 2},
        {Column::Label15, variableCell(1), 4},
        {Column::Label16, variableCell(2), 2},
        {Column::Label17, variableCell(3), 2},
    }};

    const RxBuffer& cell = state.Rx_Buffer;
    std::array<bool, kValues.size()> sent{};
    for (size_t k = 0; k < kValues.size(); ++k) {
        const Value& value = kValues[k];
        // The loop current needs four data bytes; every variable five more.
        sent[k] = answer.byteCount >= kCommand3MinByteCount + kVariableLength * static_cast<int>(k);
        if (!sent[k]) {
            board.setCaption(value.column, row, QString());
            continue;
        }
        const int first = value.firstCell;
        const double number =
            Unpack_Float(cell[first], cell[first + 1], cell[first + 2], cell[first + 3]);
        board.setCaption(value.column, row, formatRounded(number, value.decimals, locale));
    }
    for (size_t k = 0; k < kValues.size(); ++k)
        board.setColour(kValues[k].column, row, sent[k] ? kAnsweredColour : kIdleColour);
    return true;
}

bool Command_13(ProtocolState& state, Board& board) {
    const RowAnswer answer = takeAnswer(state, 13, kCommand13MinByteCount);
    if (!answer.device)
        return false;
    const qint16 row = answer.row;
    Device_Record& device = *answer.device;

    if (!answer.accepted) {
        paint(board, kCommand13Cells, row, kIdleColour);
        return false;
    }

    const RxBuffer& cell = state.Rx_Buffer;
    PackedAsciiScratch scratch;
    auto unpackGroups = [&](int first, int groups) {
        QString text;
        for (int g = 0; g < groups; ++g) {
            const int at = first + 3 * g;
            text += Unpack_Ascii(cell[at], cell[at + 1], cell[at + 2], scratch);
        }
        return text;
    };
    device.Device_Tag = unpackGroups(kLongDataCell + layout::kCommand13Tag, 2);
    device.Device_Descriptor = unpackGroups(kLongDataCell + layout::kCommand13Descriptor, 4);
    const size_t date = kLongDataCell + layout::kCommand13Date;
    device.Date_Day = cell[date];
    device.Date_Month = cell[date + 1];
    device.Date_Year = cell[date + 2];

    board.setCaption(Column::Label2, row, device.Device_Tag);
    board.setCaption(Column::Label3, row, device.Device_Descriptor);
    board.setCaption(Column::Label4, row,
                     dateText(device.Date_Day, device.Date_Month, device.Date_Year));
    paint(board, kCommand13Cells, row, kAnsweredColour);
    return true;
}

void Clear_Display(ProtocolState& state, Board& board) {
    for (qint16 row = 0; row < kRowCount; ++row) {
        for (Column column : kAllColumns) {
            if (column != Column::Label6) // the row numbers stay
                board.setCaption(column, row, QString());
        }
        for (Column column : kAllColumns)
            board.setColour(column, row, kIdleColour);
        Clear_Device(state.Device_Table, row);
    }
    state.Hart_Address = 0;
    state.Rx_Buffer.fill(0);
    state.Rx_Stored = 0;
}

} // namespace protocol
