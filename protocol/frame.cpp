#include "frame.h"

#include <algorithm>

namespace protocol {

namespace {

constexpr int kShortPreambleLength = 4;
constexpr int kLongPreambleLength = 5;

} // namespace

QByteArray Build_Request(qint16 command, qint16 address, const DeviceTable& table) {
    if (address < 0 || address >= static_cast<qint16>(table.size()))
        return {};

    HartFrame request;
    request.command = command;
    if (command == 0) {
        request.delimiter = kShortDelimiter;
        request.address = QByteArray(1, static_cast<char>(static_cast<quint8>(address)));
        return request.encode(kShortPreambleLength);
    }
    if (command == 13 || command == 3) {
        // The address bytes go out as command 0 delivered them: the manufacturer code is sent
        // unchanged, master bit included.
        request.delimiter = kLongDelimiter;
        request.address = table[static_cast<size_t>(address)].Long_Address;
        return request.encode(kLongPreambleLength);
    }
    return {};
}

QByteArray buildOnDemandRequest(int command, int address, const DeviceTable& table,
                                const QByteArray& data) {
    if (address < 0 || address >= static_cast<int>(table.size()))
        return {};
    HartFrame request;
    request.delimiter = kLongDelimiter;
    request.address = table[static_cast<size_t>(address)].Long_Address;
    request.command = command;
    request.data = data;
    return request.encode(kLongPreambleLength);
}

bool answersRequest(const QByteArray& asRead, int command, const QByteArray& longAddress) {
    const HartFrame answer = HartFrame::parse(asRead);
    if (!answer.complete || !answer.checkMatches || answer.delimiter != kLongAnswerDelimiter ||
        answer.command != command || longAddress.size() != kLongAddressLength)
        return false;
    // The 38-bit address: the master and burst bits say nothing of who answers.
    QByteArray asked = longAddress;
    asked[0] = static_cast<char>(static_cast<quint8>(asked[0]) & kAddressBits);
    return answer.uniqueAddress() == asked;
}

namespace {

// The answer's delimiter and address say who sent it and in which form.
bool fromAddressedInstrument(const RxBuffer& cells, const ProtocolState& state, int sentCommand) {
    const bool longFormAsked = sentCommand != 0;
    const int delimiter = cells[0];
    if (delimiter != (longFormAsked ? kLongAnswerDelimiter : kShortAnswerDelimiter))
        return false;
    if (state.Hart_Address < 0 ||
        state.Hart_Address >= static_cast<qint16>(state.Device_Table.size()))
        return false;
    if (!longFormAsked)
        return (cells[1] & kPollingAddressMask) == state.Hart_Address;

    // The 38-bit long address: the master and burst bits of the first byte say nothing of
    // which instrument answers.
    const QByteArray& asked =
        state.Device_Table[static_cast<size_t>(state.Hart_Address)].Long_Address;
    if (asked.size() != kLongAddressLength)
        return false;
    for (int k = 0; k < kLongAddressLength; ++k) {
        const int mask = k == 0 ? kLongAddressFirstByteMask : 0xFF;
        if (((cells[static_cast<size_t>(1 + k)] ^ static_cast<quint8>(asked.at(k))) & mask) != 0)
            return false;
    }
    return true;
}

} // namespace

AnswerCheck checkAnswer(const ProtocolState& state, int sentCommand) {
    const RxBuffer& cells = state.Rx_Buffer;
    const int stored = std::clamp(state.Rx_Stored, 0, kRxBufferSize);
    AnswerCheck result;

    auto xorOf = [&cells](int count) {
        quint8 value = 0;
        for (int k = 0; k < count; ++k)
            value ^= static_cast<quint8>(cells[static_cast<size_t>(k)]);
        return static_cast<qint16>(value);
    };

    if (stored == 0)
        return result;
    const int addressLength = (cells[0] & 0x80) ? kLongAddressLength : 1;
    const int commandCell = 1 + addressLength;
    const int byteCountCell = commandCell + 1;
    if (stored <= byteCountCell) {
        result.checkSum = xorOf(stored);
        return result;
    }

    result.byteCount = cells[static_cast<size_t>(byteCountCell)];
    const int checkCell = byteCountCell + 1 + result.byteCount;
    result.checkSum = xorOf(std::min(checkCell, stored));
    if (checkCell >= stored)
        return result; // the answer ended before its check byte

    result.good = result.checkSum == cells[static_cast<size_t>(checkCell)] &&
                  cells[static_cast<size_t>(commandCell)] == sentCommand &&
                  fromAddressedInstrument(cells, state, sentCommand);
    return result;
}

QString hexDump(const QByteArray& bytes) {
    QString dump;
    dump.reserve(bytes.size() * 3);
    for (const char byte : bytes)
        dump +=
            QStringLiteral(" %1").arg(static_cast<quint8>(byte), 2, 16, QLatin1Char('0')).toUpper();
    return dump;
}

} // namespace protocol
