#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

namespace protocol {

// What the loop told us about the instrument at one polling address. Integers hold one byte
// value each, as the answers carried them.
struct Device_Record {
    // From the command-0 answer, data bytes 0 to 11 (answer cells 6 to 17).
    qint16 Expansion_Code = 0;
    qint16 Manufacturer_ID = 0; // first long-address byte
    qint16 Device_Type = 0;     // second long-address byte
    qint16 Preamble_Count = 0;
    qint16 Universal_Revision = 0;
    qint16 Device_Revision = 0;
    qint16 Software_Revision = 0;
    qint16 Hardware_Revision = 0;
    qint16 Device_Flags = 0;
    qint16 Device_ID1 = 0; // third to fifth long-address bytes
    qint16 Device_ID2 = 0;
    qint16 Device_ID3 = 0;
    QByteArray Long_Address; // the five long-address bytes, in the order above
    QString Unique_ID_Text;  // the same five bytes as ten upper-case hex digits
    // From the command-13 answer.
    QString Device_Tag;        // 8 characters, trailing blanks kept
    QString Device_Descriptor; // 16 characters, trailing blanks kept
    qint16 Date_Day = 0;
    qint16 Date_Month = 0;
    qint16 Date_Year = 0; // years since 1900
    // The two response-code bytes of the command-0 answer.
    qint16 Status_Byte1 = 0;
    qint16 Status_Byte2 = 0;
    // The exclusive-or a decoder computed over the answer in hand.
    qint16 Check_Sum = 0;
};

using DeviceTable = std::array<Device_Record, 16>;

// Resets entry `row` of the table: integers to 0, strings to empty.
void Clear_Device(DeviceTable& table, qint16 row);

} // namespace protocol
