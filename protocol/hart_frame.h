#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace protocol {

// The one place where HART frames are taken apart and put together. A frame is a value: it
// does no I/O and knows nothing of ports, the board or the receive buffer.
//
// On the line: preamble (0xFF bytes), delimiter, address (1 byte, or 5 when bit 7 of the
// delimiter is set), command, byte count, the two response bytes of an answer or burst frame
// (counted in the byte count), data, and the check byte: the exclusive-or of every byte from
// the delimiter to the last data byte.

constexpr quint8 kPreambleByte = 0xFF;
constexpr quint8 kLongAddressFlag = 0x80; // in the delimiter: five address bytes follow
constexpr quint8 kFrameTypeBits = 0x07;   // in the delimiter
constexpr quint8 kMasterBit = 0x80;       // first address byte: sent by or to the primary master
constexpr quint8 kBurstBit = 0x40;        // first address byte: an instrument in burst mode
constexpr quint8 kAddressBits = 0x3F;     // a first address byte less its master and burst bits
constexpr int kLongAddressLength = 5;

// The first response byte of an answer: with this bit set it reports a communication error the
// instrument found in the request (its other bits say which) and the command was not carried
// out; clear, it is the command's response code.
constexpr int kCommunicationErrorFlag = 0x80;
constexpr bool isCommunicationError(int responseCode) {
    return responseCode >= 0 && (responseCode & kCommunicationErrorFlag) != 0;
}

// The device-status byte, the second response byte of every answer and burst frame.
namespace device_status {
constexpr int kMalfunction = 0x80;
constexpr int kConfigurationChanged = 0x40;
constexpr int kColdStart = 0x20;
constexpr int kMoreStatusAvailable = 0x10;
constexpr int kLoopCurrentFixed = 0x08;
constexpr int kLoopCurrentSaturated = 0x04;
constexpr int kNonPrimaryOutOfLimits = 0x02;
constexpr int kPrimaryOutOfLimits = 0x01;
} // namespace device_status

// Address bytes as the instruments are told apart: the first byte less its master and burst
// bits. Five bytes give the 38-bit unique address, one byte the polling address.
QByteArray withoutMasterAndBurst(const QByteArray& address);

// The frame types the delimiter's low three bits name.
enum class FrameType { Burst = 1, Request = 2, Answer = 6, Other = 0 };

constexpr quint8 kShortDelimiter = 0x02;       // request, polling address
constexpr quint8 kLongDelimiter = 0x82;        // request, five-byte long address
constexpr quint8 kShortAnswerDelimiter = 0x06; // answer, polling address
constexpr quint8 kLongAnswerDelimiter = 0x86;  // answer, five-byte long address
constexpr quint8 kShortBurstDelimiter = 0x01;  // burst frame, polling address
constexpr quint8 kLongBurstDelimiter = 0x81;   // burst frame, five-byte long address

// Exclusive-or of every byte of `bytes`: the check byte of a frame when given everything from
// its delimiter up to the byte before the check byte.
quint8 checkByte(const QByteArray& bytes);

// `value` as its `bytes` low bytes, most significant first, as HART's numbers go on the wire.
QByteArray bigEndian(quint32 value, int bytes);

struct HartFrame {
    // What the frame says. For encode(): set delimiter, address, command, data, and the two
    // response bytes for an answer or burst (-1 leaves a byte out).
    int delimiter = -1; // -1: nothing but preamble arrived
    QByteArray address; // 1 or 5 bytes as on the line, master and burst bits included
    int command = -1;
    int responseCode = -1; // first response byte; -1 when the byte count holds none
    int deviceStatus = -1; // second response byte; -1 when the byte count holds none
    QByteArray data;       // after the response bytes, within the byte count

    // How it arrived; filled by parse().
    int preambleLength = 0; // 0xFF bytes before the delimiter
    int byteCount = -1;     // -1 when the frame ended before it
    int checkByte = -1;     // -1 when the frame ended before it
    // The exclusive-or of every byte from the delimiter up to the check byte, or up to the last
    // byte read when the frame ended before its check byte.
    int computedCheck = 0;
    bool checkMatches = false;
    bool complete = false; // every byte through the check byte arrived

    // Takes apart what was read, preamble included, as far as it arrived. The byte count
    // decides what follows it: response bytes only where counted, then data, then the check
    // byte, whatever the command would carry in a full frame.
    static HartFrame parse(const QByteArray& asRead);
    // The frame on the line: `preambles` bytes 0xFF, delimiter, address, command, the byte
    // count of what follows, the response bytes that are set, data, check byte.
    QByteArray encode(int preambles = 0) const;

    bool longAddress() const { return delimiter >= 0 && (delimiter & kLongAddressFlag) != 0; }
    FrameType type() const;
    // -1 when no address arrived.
    int masterBit() const;
    int burstBit() const;
    // A short frame's polling address (0 to 63), its master and burst bits aside; -1 otherwise.
    int pollingAddress() const;
    // A long frame's 38-bit unique address: five bytes, master and burst bits clear.
    QByteArray uniqueAddress() const;
    // The first response byte reports a communication error rather than a response code.
    bool communicationError() const { return isCommunicationError(responseCode); }
    // Whole, and its check byte is the one its bytes give.
    bool sound() const { return complete && checkMatches; }
    // Where the data starts, counted from the first byte read.
    int dataOffset() const;
    // How many of the bytes read the frame takes, preamble through check byte; -1 while it is
    // not complete. Whatever follows is not the frame's.
    int wholeLength() const;
};

// HART packed ASCII: four 6-bit characters in three bytes, codes 32 to 63 standing for
// themselves and 0 to 31 for 64 to 95 ('@' to '_'). `characters` is a multiple of 4.
QString unpackAscii(const QByteArray& bytes, int offset, int characters);
// Lower case goes as capitals, a character outside 32 to 95 as '?', blanks fill to `characters`.
QByteArray packAscii(const QString& text, int characters);
// Whether every character of `text` has a packed-ASCII code (after upper-casing).
bool isPackable(const QString& text);

// A HART date (day, month, years since 1900) as the program writes it: "05.03.2009".
QString dateText(int day, int month, int yearsSince1900);

// IEEE 754 single precision, most significant byte first: the floats of answers' data.
float floatAt(const QByteArray& bytes, int offset);
QByteArray encodeFloat(float value);

// Where the board's decoders find what they show in the data of the answers of the pass,
// counted from the first data byte. Everything beside the board reads answers through the
// field layer's command table.
namespace layout {
constexpr int kCommand0Identity = 12;   // HART 5 identity through the device id
constexpr int kCommand13Tag = 0;        // 6 bytes: 8 packed characters
constexpr int kCommand13Descriptor = 6; // 12 bytes: 16 packed characters
constexpr int kCommand13Date = 18;      // day, month, year - 1900
constexpr int kCommand13Length = 21;
constexpr int kCommand3LoopCurrent = 0;   // four-byte float, mA
constexpr int kCommand3FirstVariable = 4; // units code, then a four-byte float
constexpr int kCommand3VariableLength = 5;
constexpr int command3Variable(int k) {
    return kCommand3FirstVariable + kCommand3VariableLength * k;
}
} // namespace layout

} // namespace protocol
