#include "frame.h"

namespace protocol {

namespace {

constexpr int kShortPreambleLength = 4;
constexpr int kLongPreambleLength = 5;

} // namespace

QByteArray Build_Request(qint16 command, qint16 address, const DeviceTable& table,
                         MasterRole role) {
    if (address < 0 || address >= static_cast<qint16>(table.size()))
        return {};

    HartFrame request;
    request.command = command;
    if (command == 0) {
        request.delimiter = kShortDelimiter;
        request.address =
            requestAddress(QByteArray(1, static_cast<char>(static_cast<quint8>(address))), role);
        return request.encode(kShortPreambleLength);
    }
    if (command == 13 || command == 3) {
        // The first byte command 0 delivered is a manufacturer code or part of an expanded
        // device type, whose top bits would name a master or burst mode on the line.
        request.delimiter = kLongDelimiter;
        request.address = requestAddress(table[static_cast<size_t>(address)].Long_Address, role);
        return request.encode(kLongPreambleLength);
    }
    return {};
}

QByteArray buildOnDemandRequest(int command, int address, const DeviceTable& table,
                                const QByteArray& data, MasterRole role) {
    if (address < 0 || address >= static_cast<int>(table.size()))
        return {};
    return buildRequestTo(table[static_cast<size_t>(address)].Long_Address, command, data, role);
}

QByteArray buildRequestTo(const QByteArray& longAddress, int command, const QByteArray& data,
                          MasterRole role) {
    HartFrame request;
    request.delimiter = kLongDelimiter;
    request.address = requestAddress(longAddress, role);
    request.command = command;
    request.data = data;
    return request.encode(kLongPreambleLength);
}

bool answersRequest(const HartFrame& answer, int command, const QByteArray& longAddress) {
    return answer.sound() && answer.delimiter == kLongAnswerDelimiter &&
           answer.command == command && longAddress.size() == kLongAddressLength &&
           answer.uniqueAddress() == withoutMasterAndBurst(longAddress);
}

AnswerCheck checkAnswer(const HartFrame& answer, const ProtocolState& state, int sentCommand) {
    AnswerCheck result;
    result.checkSum = static_cast<qint16>(answer.computedCheck);
    result.byteCount = qMax(0, answer.byteCount);
    const int row = state.Hart_Address;
    if (row < 0 || row >= static_cast<int>(state.Device_Table.size()))
        return result;
    if (sentCommand == 0)
        result.good = answer.sound() && answer.delimiter == kShortAnswerDelimiter &&
                      answer.command == 0 && answer.pollingAddress() == row;
    else
        result.good = answersRequest(answer, sentCommand,
                                     state.Device_Table[static_cast<size_t>(row)].Long_Address);
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
