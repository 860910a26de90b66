#include "details.h"

#include "answer_frame.h"
#include "hart_tables.h"

#include "app/texts.h"
#include "protocol/hart_frame.h"

#include <vector>

namespace field {

namespace {

using app::Text;

constexpr int kNotImplemented = 64;

enum class Kind {
    Unsigned, // big-endian integer of `length` bytes
    Hex,      // bytes in hexadecimal
    Float,    // four-byte float; units from the byte at `unitAt`, or `suffix`
    PackedAscii,
    Latin1,
    Codes,    // one byte, words from `codes`
    Bits,     // one byte, the words of each set bit from `bits`
    Variable, // one byte naming a device variable (command 50)
    Slots,    // command 9: eight bytes a device variable from `at` on
};

struct FieldSpec {
    Text name;
    int at;
    Kind kind;
    int length = 1;
    int unitAt = -1;
    const char* suffix = nullptr; // a unit the command fixes: "mA", "%"
    QList<CodeWord> (*codes)() = nullptr;
    QList<StatusBit> (*bits)() = nullptr;
};

struct CommandSpec {
    int command;
    Text heading;
    int minRevision; // the first HART revision that has it
    std::vector<FieldSpec> fields;
};

// The answers' data, field by field, as HART's universal and common-practice commands lay
// them out.
const std::vector<CommandSpec>& commandSpecs() {
    static const std::vector<CommandSpec> specs = {
        {1, Text::DetailHeading1, 5, {{Text::DetailPV, 1, Kind::Float, 4, 0}}},
        {2,
         Text::DetailHeading2,
         5,
         {{Text::DetailLoopCurrent, 0, Kind::Float, 4, -1, "mA"},
          {Text::DetailPercentOfRange, 4, Kind::Float, 4, -1, "%"}}},
        {7,
         Text::DetailHeading7,
         6,
         {{Text::DetailPollingAddress, 0, Kind::Unsigned},
          {Text::DetailLoopCurrentMode, 1, Kind::Codes, 1, -1, nullptr, loopCurrentModeCodes}}},
        {8,
         Text::DetailHeading8,
         6,
         {{Text::DetailPV, 0, Kind::Codes, 1, -1, nullptr, classificationCodes},
          {Text::DetailSV, 1, Kind::Codes, 1, -1, nullptr, classificationCodes},
          {Text::DetailTV, 2, Kind::Codes, 1, -1, nullptr, classificationCodes},
          {Text::DetailQV, 3, Kind::Codes, 1, -1, nullptr, classificationCodes}}},
        {12, Text::DetailHeading12, 5, {{Text::DetailMessage, 0, Kind::PackedAscii, 24}}},
        {14,
         Text::DetailHeading14,
         5,
         {{Text::DetailSensorSerial, 0, Kind::Unsigned, 3},
          {Text::DetailUpperSensorLimit, 4, Kind::Float, 4, 3},
          {Text::DetailLowerSensorLimit, 8, Kind::Float, 4, 3},
          {Text::DetailMinimumSpan, 12, Kind::Float, 4, 3}}},
        {15,
         Text::DetailHeading15,
         5,
         {{Text::DetailAlarmSelection, 0, Kind::Codes, 1, -1, nullptr, alarmSelectionCodes},
          {Text::DetailTransferFunction, 1, Kind::Codes, 1, -1, nullptr, transferFunctionCodes},
          {Text::DetailUpperRange, 3, Kind::Float, 4, 2},
          {Text::DetailLowerRange, 7, Kind::Float, 4, 2},
          {Text::DetailDamping, 11, Kind::Float, 4, -1, "s"},
          {Text::DetailWriteProtect, 15, Kind::Codes, 1, -1, nullptr, writeProtectCodes},
          {Text::DetailAnalogChannel, 17, Kind::Bits, 1, -1, nullptr, nullptr,
           analogChannelFlagBits}}},
        {16, Text::DetailHeading16, 5, {{Text::DetailFinalAssembly, 0, Kind::Unsigned, 3}}},
        {20, Text::DetailHeading20, 6, {{Text::DetailLongTag, 0, Kind::Latin1, 32}}},
        {48,
         Text::DetailHeading48,
         5,
         {{Text::DetailDeviceSpecific, 0, Kind::Hex, 6},
          {Text::DetailExtendedStatus, 6, Kind::Bits, 1, -1, nullptr, nullptr, extendedStatusBits},
          {Text::DetailOperatingMode, 7, Kind::Codes, 1, -1, nullptr, operatingModeCodes},
          {Text::DetailStandardized0, 8, Kind::Bits, 1, -1, nullptr, nullptr,
           standardizedStatus0Bits},
          {Text::DetailStandardized1, 9, Kind::Bits, 1, -1, nullptr, nullptr,
           standardizedStatus1Bits},
          {Text::DetailAnalogSaturated, 10, Kind::Hex},
          {Text::DetailStandardized2, 11, Kind::Bits, 1, -1, nullptr, nullptr,
           standardizedStatus2Bits},
          {Text::DetailStandardized3, 12, Kind::Bits, 1, -1, nullptr, nullptr,
           standardizedStatus3Bits},
          {Text::DetailAnalogFixed, 13, Kind::Hex},
          {Text::DetailDeviceSpecific, 14, Kind::Hex, 11}}},
        {50,
         Text::DetailHeading50,
         5,
         {{Text::DetailPV, 0, Kind::Variable},
          {Text::DetailSV, 1, Kind::Variable},
          {Text::DetailTV, 2, Kind::Variable},
          {Text::DetailQV, 3, Kind::Variable}}},
        {9,
         Text::DetailHeading9,
         7,
         {{Text::DetailExtendedStatus, 0, Kind::Bits, 1, -1, nullptr, nullptr, extendedStatusBits},
          {Text::DetailPV, 1, Kind::Slots, 8}}},
    };
    return specs;
}

const CommandSpec* specFor(int command) {
    for (const CommandSpec& spec : commandSpecs())
        if (spec.command == command)
            return &spec;
    return nullptr;
}

quint8 byteAt(const QByteArray& data, int at) {
    return static_cast<quint8>(data.at(at));
}

QString floatText(const QByteArray& data, const FieldSpec& f, bool english) {
    const QString number = plainText(protocol::floatAt(data, f.at));
    if (f.unitAt >= 0)
        return number + QLatin1Char(' ') + unitSymbol(byteAt(data, f.unitAt));
    if (f.suffix && QByteArray(f.suffix) == "s")
        return app::text(Text::DetailSeconds, app::languageOf(english)).arg(number);
    return f.suffix ? number + QLatin1Char(' ') + QString::fromLatin1(f.suffix) : number;
}

// Command 9's slots: code, classification, units, value, status, eight bytes each.
void addSlots(QList<DetailRow>& rows, const QByteArray& data, int from, bool english) {
    const app::Language language = app::languageOf(english);
    static constexpr Text kNames[] = {Text::DetailPV, Text::DetailSV, Text::DetailTV,
                                      Text::DetailQV};
    for (int slot = 0; slot < 4 && from + 8 * (slot + 1) <= data.size(); ++slot) {
        const int at = from + 8 * slot;
        const int code = byteAt(data, at);
        const int status = byteAt(data, at + 7);
        const QString value = plainText(protocol::floatAt(data, at + 3)) + QLatin1Char(' ') +
                              unitSymbol(byteAt(data, at + 2));
        const QString words = app::text(Text::DetailVariableStatus, language)
                                  .arg(codeText(processDataStatusCodes(), status >> 6, english),
                                       codeText(limitStatusCodes(), (status >> 4) & 3, english));
        rows << DetailRow{app::text(Text::DetailVariableSlot, language)
                              .arg(app::text(kNames[slot], language))
                              .arg(code),
                          value + QStringLiteral(" \u2014 ") + words};
    }
}

DetailReading withState(DetailReading::State state, Text text, bool english) {
    DetailReading reading;
    reading.state = state;
    reading.stateText = app::text(text, app::languageOf(english));
    return reading;
}

} // namespace

QList<int> detailCommands(int hartRevision) {
    QList<int> commands;
    for (const CommandSpec& spec : commandSpecs())
        if (hartRevision >= spec.minRevision)
            commands << spec.command;
    return commands;
}

QByteArray detailRequestData(int command) {
    // The dynamic variables by their standard device-variable codes: PV, SV, TV, QV.
    return command == 9 ? QByteArray::fromHex("F6F7F8F9") : QByteArray();
}

QString detailHeading(int command, bool english) {
    const CommandSpec* spec = specFor(command);
    return spec ? app::text(spec->heading, app::languageOf(english)) : QString::number(command);
}

DetailReading readDetail(const protocol::ReadAnswer& answer, bool english) {
    using State = DetailReading::State;
    if (!answer.accepted)
        return answer.asRead.isEmpty() ? withState(State::NoAnswer, Text::DetailNoAnswer, english)
                                       : withState(State::Damaged, Text::DetailDamaged, english);
    const protocol::HartFrame& frame = answer.frame;
    const int command = answer.command;
    if (frame.communicationError()) // the request arrived damaged
        return withState(State::Damaged, Text::DetailDamaged, english);
    if (frame.responseCode == kNotImplemented)
        return withState(State::NotSupported, Text::DetailNotSupported, english);
    const CommandSpec* spec = specFor(command);
    const QByteArray& data = frame.data;
    DetailReading reading;
    reading.state = State::Read;
    const app::Language language = app::languageOf(english);
    for (const FieldSpec& f : spec ? spec->fields : std::vector<FieldSpec>{}) {
        const int needed = f.kind == Kind::Float ? f.at + 4 : f.at + f.length;
        if (data.size() < needed || (f.unitAt >= 0 && data.size() <= f.unitAt))
            continue; // not carried: nothing shown rather than a value that did not come
        QString value;
        switch (f.kind) {
        case Kind::Unsigned: {
            quint32 number = 0;
            for (int k = 0; k < f.length; ++k)
                number = (number << 8) | byteAt(data, f.at + k);
            value = QString::number(number);
            break;
        }
        case Kind::Hex:
            value = QString::fromLatin1(data.mid(f.at, f.length).toHex(' ').toUpper());
            break;
        case Kind::Float:
            value = floatText(data, f, english);
            break;
        case Kind::PackedAscii:
            value = protocol::unpackAscii(data, f.at, f.length / 3 * 4).trimmed();
            break;
        case Kind::Latin1:
            value = QString::fromLatin1(data.mid(f.at, f.length)).remove(QChar(0)).trimmed();
            break;
        case Kind::Codes:
            value = codeText(f.codes(), byteAt(data, f.at), english);
            break;
        case Kind::Bits:
            value = bitsText(f.bits(), byteAt(data, f.at), english);
            break;
        case Kind::Variable:
            value = app::text(Text::DetailDeviceVariable, language).arg(byteAt(data, f.at));
            break;
        case Kind::Slots:
            addSlots(reading.rows, data, f.at, english);
            continue;
        }
        reading.rows << DetailRow{app::text(f.name, language), value};
    }
    if (reading.rows.isEmpty()) {
        if (frame.responseCode <= 0)
            return withState(State::TooShort, Text::DetailTooShort, english);
        DetailReading refused = withState(State::Refused, Text::DetailRefused, english);
        refused.stateText = refused.stateText.arg(responseCodeText(frame.responseCode, english));
        return refused;
    }
    // A warning with data (code 8, update failure, …) is said beside what came.
    if (frame.responseCode > 0)
        reading.rows << DetailRow{app::text(Text::DetailResponse, language),
                                  responseCodeText(frame.responseCode, english)};
    return reading;
}

std::optional<RangeValues> rangeValuesFrom(const QByteArray& data) {
    if (data.size() < 16)
        return std::nullopt;
    RangeValues r;
    r.alarmSelection = byteAt(data, 0);
    r.transferFunction = byteAt(data, 1);
    r.unitsCode = byteAt(data, 2);
    r.upper = protocol::floatAt(data, 3);
    r.lower = protocol::floatAt(data, 7);
    r.damping = protocol::floatAt(data, 11);
    r.writeProtect = byteAt(data, 15);
    return r;
}

std::optional<bool> loopCurrentModeFrom(const QByteArray& data) {
    if (data.size() < 2)
        return std::nullopt;
    return byteAt(data, 1) == 1;
}

} // namespace field
