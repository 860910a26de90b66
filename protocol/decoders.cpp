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

RowAnswer takeAnswer(ProtocolState& state, const HartFrame& frame, int command, int minByteCount) {
    RowAnswer answer;
    answer.row = state.Hart_Address;
    if (!validRow(answer.row))
        return answer;
    answer.device = &state.Device_Table[static_cast<size_t>(answer.row)];
    const AnswerCheck check = checkAnswer(frame, state, command);
    answer.device->Check_Sum = check.checkSum;
    answer.accepted = check.good && check.byteCount >= minByteCount;
    answer.byteCount = check.byteCount;
    return answer;
}

int dataByte(const HartFrame& frame, int k) {
    return static_cast<quint8>(frame.data.at(k));
}

} // namespace

bool Command_0(ProtocolState& state, Board& board, const HartFrame& frame) {
    const RowAnswer answer = takeAnswer(state, frame, 0, kCommand0MinByteCount);
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

    const auto data = [&frame](int k) { return static_cast<qint16>(dataByte(frame, k)); };
    device.Expansion_Code = data(0);
    device.Manufacturer_ID = data(1);
    device.Device_Type = data(2);
    device.Preamble_Count = data(3);
    device.Universal_Revision = data(4);
    device.Device_Revision = data(5);
    device.Software_Revision = data(6);
    device.Hardware_Revision = data(7);
    device.Device_Flags = data(8);
    device.Device_ID1 = data(9);
    device.Device_ID2 = data(10);
    device.Device_ID3 = data(11);

    // The long address as the instrument sent its bytes, manufacturer byte unmasked: the ID cell
    // shows it so.
    device.Long_Address.clear();
    device.Unique_ID_Text.clear();
    for (const int k : {1, 2, 9, 10, 11}) {
        device.Long_Address.append(frame.data.at(k));
        device.Unique_ID_Text += hexByte(dataByte(frame, k));
    }
    device.Status_Byte1 = static_cast<qint16>(frame.responseCode);
    device.Status_Byte2 = static_cast<qint16>(frame.deviceStatus);

    board.setCaption(Column::Label1, row, device.Unique_ID_Text);
    board.setCaption(Column::Label5, row,
                     hexByte(device.Status_Byte1) + QLatin1Char(' ') +
                         hexByte(device.Status_Byte2));
    paint(board, kCommand0Cells, row, kAnsweredColour);
    return true;
}

bool Command_3(ProtocolState& state, Board& board, const HartFrame& frame, const QLocale& locale) {
    const RowAnswer answer = takeAnswer(state, frame, 3, kCommand3MinByteCount);
    if (!answer.device)
        return false;
    const qint16 row = answer.row;

    if (!answer.accepted) {
        paint(board, kCommand3Cells, row, kIdleColour);
        return false;
    }

    struct Value {
        Column column;
        int firstByte; // in the data
        int decimals;
    };
    // Loop current first, then the four dynamic variables, each float after its units code.
    static constexpr auto variableByte = [](int k) { return layout::command3Variable(k) + 1; };
    static constexpr std::array<Value, 5> kValues = {{
        {Column::Label13, layout::kCommand3LoopCurrent, 3},
        {Column::Label14, variableByte(0), 2},
        {Column::Label15, variableByte(1), 4},
        {Column::Label16, variableByte(2), 2},
        {Column::Label17, variableByte(3), 2},
    }};

    std::array<bool, kValues.size()> sent{};
    for (size_t k = 0; k < kValues.size(); ++k) {
        const Value& value = kValues[k];
        // The loop current needs four data bytes; every variable five more.
        sent[k] = answer.byteCount >= kCommand3MinByteCount + kVariableLength * static_cast<int>(k);
        if (!sent[k]) {
            board.setCaption(value.column, row, QString());
            continue;
        }
        const int first = value.firstByte;
        const double number = Unpack_Float(dataByte(frame, first), dataByte(frame, first + 1),
                                           dataByte(frame, first + 2), dataByte(frame, first + 3));
        board.setCaption(value.column, row, formatRounded(number, value.decimals, locale));
    }
    for (size_t k = 0; k < kValues.size(); ++k)
        board.setColour(kValues[k].column, row, sent[k] ? kAnsweredColour : kIdleColour);
    return true;
}

bool Command_13(ProtocolState& state, Board& board, const HartFrame& frame) {
    const RowAnswer answer = takeAnswer(state, frame, 13, kCommand13MinByteCount);
    if (!answer.device)
        return false;
    const qint16 row = answer.row;
    Device_Record& device = *answer.device;

    if (!answer.accepted) {
        paint(board, kCommand13Cells, row, kIdleColour);
        return false;
    }

    device.Device_Tag = unpackAscii(frame.data, layout::kCommand13Tag, 8);
    device.Device_Descriptor = unpackAscii(frame.data, layout::kCommand13Descriptor, 16);
    device.Date_Day = static_cast<qint16>(dataByte(frame, layout::kCommand13Date));
    device.Date_Month = static_cast<qint16>(dataByte(frame, layout::kCommand13Date + 1));
    device.Date_Year = static_cast<qint16>(dataByte(frame, layout::kCommand13Date + 2));

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
