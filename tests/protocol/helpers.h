#pragma once

// Frames written out by hand and golden answers, so that no expectation comes from the code
// under test, and compact views of board cells and records.

#include "protocol/board.h"
#include "protocol/device_record.h"

#include <QByteArray>
#include <QStringList>

namespace ptest {

inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// Appends the exclusive-or of every byte as the check byte.
inline QByteArray withCheck(QByteArray frame) {
    char check = 0;
    for (char byte : frame)
        check = char(check ^ byte);
    return frame.append(check);
}

// Golden answers from independent HART implementations, preamble removed.
inline const QByteArray kAnswer0Hart5 =
    hex("06 81 00 0E 00 00 FE 26 06 05 05 09 03 64 00 12 34 56 49");
inline const QByteArray kAnswer0Hart7 = hex("06 81 00 18 00 00 FE 26 06 05 07 07 03 64 00 12 34 56"
                                            "05 01 00 00 00 00 99 00 99 00 57");
inline const QByteArray kAnswer3 = hex("86 A6 06 12 34 56 03 1A 00 00 41 48 00 00 0C 3F 9E 06 10"
                                       "20 41 BC 00 00 FA 7F C0 00 00 FA 7F C0 00 00 20");
inline const QByteArray kAnswer13 = hex("86 A6 06 12 34 56 0D 17 00 00 41 4B 71 C3 18 20 50 54 D4"
                                        "80 41 56 24 31 60 82 08 20 05 03 6D 3F");

// The captions of `cells` in `row`, each followed by i(dle), p(ending), a(nswered) or ? (any
// other colour), joined by "|".
template <typename Cells>
QString cellText(const protocol::Board& board, int row, const Cells& cells) {
    const QList<protocol::WinColour> known{protocol::kIdleColour, protocol::kPendingColour,
                                           protocol::kAnsweredColour};
    QStringList texts;
    for (protocol::Column c : cells)
        texts << board.caption(c, row) + "ipa?"[known.indexOf(board.colour(c, row)) & 3];
    return texts.join('|');
}

// Every field: the four strings, then the integers in the order of the answer cells they come
// from (command 0's cells 4 to 17, command 13's cells 28 to 30), then Check_Sum.
inline QStringList recordText(const protocol::Device_Record& r) {
    QStringList fields{r.Long_Address.toHex(), r.Unique_ID_Text, r.Device_Tag, r.Device_Descriptor};
    for (int v : {r.Status_Byte1, r.Status_Byte2, r.Expansion_Code, r.Manufacturer_ID,
                  r.Device_Type, r.Preamble_Count, r.Universal_Revision, r.Device_Revision,
                  r.Software_Revision, r.Hardware_Revision, r.Device_Flags, r.Device_ID1,
                  r.Device_ID2, r.Device_ID3, r.Date_Day, r.Date_Month, r.Date_Year, r.Check_Sum})
        fields << QString::asprintf("%02X", v);
    return fields;
}

} // namespace ptest
