#pragma once

#include "protocol/hart_frame.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace field {

// One answer as it came off the line, taken apart by the one frame codec.
using AnswerFrame = protocol::HartFrame;

// What a command-0 answer says of the instrument, from as many data bytes as it carries.
struct Identity {
    int hartRevision = 0; // universal command revision
    int manufacturer = 0; // HART 5: data byte 1; HART 7: data bytes 17 and 18
    int deviceType = 0;   // HART 5: data byte 2; HART 7: the expanded type, bytes 1 and 2
    bool expandedDeviceType = false;
    int requestPreambles = 0;
    int deviceRevision = 0;
    int softwareRevision = 0;
    int hardwareRevision = 0;             // HART 7: the five high bits of byte 7
    std::optional<int> physicalSignaling; // HART 7: the three low bits of byte 7
    int flags = 0;
    quint32 deviceId = 0;
    QByteArray longAddress; // five bytes, master and burst bits clear
    // HART 7 and later only.
    std::optional<int> responsePreambles;
    std::optional<int> maxDeviceVariables;
    std::optional<int> configChangeCounter;
    std::optional<int> extendedStatus;
    std::optional<int> privateLabel;
    std::optional<int> deviceProfile;
    // Only what an I/O system's list says of the instrument (command 84): manufacturer, type, ID
    // and HART revision; its revisions, preambles and flags are not known.
    bool fromList = false;
};
std::optional<Identity> identityFrom(const AnswerFrame& frame);

// Command 13: tag, descriptor, date.
struct TagRecord {
    QString tag;                      // 8 characters
    QString descriptor;               // 16 characters
    QDate date;                       // invalid when the bytes name no date
    int day = 0, month = 0, year = 0; // as sent; year counted from 1900
};
std::optional<TagRecord> tagRecordFrom(const AnswerFrame& frame);

// The loop current and the four dynamic variables, each with its unit code, as far as a frame
// carried them.
struct Variable {
    int unitCode = 0;
    float value = 0;
};
struct DynamicVariables {
    std::optional<float> loopCurrent;              // mA
    std::array<std::optional<Variable>, 4> values; // PV, SV, TV, QV
};
// All of them from command 3 (its loop current at least); a part from what an instrument in burst
// mode publishes: the PV (command 1), the loop current (command 2), the slots of commands 9 and 33
// that name the loop current or a dynamic variable. Nothing when the frame carries none.
std::optional<DynamicVariables> dynamicVariablesFrom(const AnswerFrame& frame);

// Commands 532 and 533 over HART-IP, inside command 31: the instrument a client subscription
// names, as the server keeps it, and its flags.
struct Subscription {
    int command = 0; // 532 or 533
    QByteArray target;
    quint16 flags = 0;
};
std::optional<Subscription> subscriptionFrom(const AnswerFrame& frame);

using protocol::floatAt;

// The shortest decimal text that reads back as the same 32-bit float, '.' as its separator
// whatever the regional settings: "1.23456", "-10", "1e+20", "nan", "inf".
QString shortestText(float value);

// The same value as a plain decimal number, never in scientific notation, with the digits the
// float carries and no more: "100000", "0.000125", "-10", "nan", "inf". For people to read.
QString plainText(float value);

} // namespace field
