#include "command_table.h"

#include "answer_frame.h"

#include "app/language.h"
#include "protocol/hart_frame.h"

#include <QStringList>

namespace field {

namespace {

using app::Text;
using K = FieldKind;
using F = FieldId;

constexpr int kAnyRevision = 255;
// Units some commands fix rather than send, by their codes in the units table.
constexpr int kMilliampere = 39;
constexpr int kPercent = 57;
constexpr int kSeconds = 51;

// Four dynamic variables, in the order the answers carry them.
constexpr Text kExplainNames[] = {Text::ExplainPV, Text::ExplainSV, Text::ExplainTV,
                                  Text::ExplainQV};
constexpr FieldId kVariableIds[] = {F::Pv, F::Sv, F::Tv, F::Qv};

// Command 3: the loop current, then each variable's units code and value.
std::vector<FieldSpec> command3Fields() {
    std::vector<FieldSpec> fields{
        {F::LoopCurrent, Text::ExplainLoopCurrent, 0, K::Float, 4, -1, kMilliampere}};
    for (int k = 0; k < 4; ++k) {
        const int unitAt = 4 + 5 * k;
        fields.push_back({F::Other, kExplainNames[k], unitAt, K::UnitCode});
        fields.push_back({kVariableIds[k], kExplainNames[k], unitAt + 1, K::Float, 4, unitAt});
    }
    return fields;
}

// Command 33: up to four device variables, each its code, units code and value.
std::vector<FieldSpec> command33Fields() {
    constexpr Text kSlots[] = {Text::DetailSlot0, Text::DetailSlot1, Text::DetailSlot2,
                               Text::DetailSlot3};
    std::vector<FieldSpec> fields;
    for (int k = 0; k < 4; ++k)
        fields.push_back({F::Other, kSlots[k], 6 * k, K::VariableValue, 6});
    return fields;
}

// Commands 532 and 533, inside command 31.
std::vector<FieldSpec> subscriptionFields() {
    return {{F::Other, Text::DetailExpandedCommand, 0, K::Decimal, 2},
            {F::SubscriptionTarget, Text::DetailSubscriptionTarget, 2, K::HexBytes, 5},
            {F::SubscriptionFlags, Text::DetailSubscriptionFlags, 7, K::HexNumber, 2}};
}

std::vector<CommandSpec> makeSpecs() {
    return {
        // Command 0, HART 5 and 6: the identity through the device id.
        {0,
         Text::ExplainReadUniqueIdentifier,
         0,
         6,
         false,
         {{F::ExpansionCode, Text::ExplainExpansionCode, 0, K::Decimal},
          {F::Manufacturer, Text::ExplainManufacturer, 1, K::Manufacturer},
          {F::DeviceType, Text::ExplainDeviceType, 2, K::HexNumber},
          {F::RequestPreambles, Text::ExplainPreamblesAskedFor, 3, K::Decimal},
          {F::HartRevision, Text::ExplainHARTRevision, 4, K::Decimal},
          {F::DeviceRevision, Text::ExplainDeviceRevision, 5, K::Decimal},
          {F::SoftwareRevision, Text::ExplainSoftwareRevision, 6, K::Decimal},
          {F::HardwareRevision, Text::ExplainHardwareRevision, 7, K::Decimal},
          {F::Flags, Text::ExplainFlags, 8, K::HexNumber},
          {F::DeviceId, Text::ExplainDeviceId, 9, K::HexNumber, 3}}},
        // Command 0, HART 7: an expanded device type, the signalling code beside the hardware
        // revision, and ten bytes more with the manufacturer's two-byte code.
        {0,
         Text::ExplainReadUniqueIdentifier,
         7,
         kAnyRevision,
         false,
         {{F::ExpansionCode, Text::ExplainExpansionCode, 0, K::Decimal},
          {F::DeviceType, Text::ExplainExpandedDeviceType, 1, K::HexNumber, 2},
          {F::RequestPreambles, Text::ExplainPreamblesAskedFor, 3, K::Decimal},
          {F::HartRevision, Text::ExplainHARTRevision, 4, K::Decimal},
          {F::DeviceRevision, Text::ExplainDeviceRevision, 5, K::Decimal},
          {F::SoftwareRevision, Text::ExplainSoftwareRevision, 6, K::Decimal},
          {F::HardwareRevision, Text::ExplainHardwareRevisionSignalling, 7,
           K::RevisionAndSignalling},
          {F::Flags, Text::ExplainFlags, 8, K::HexNumber},
          {F::DeviceId, Text::ExplainDeviceId, 9, K::HexNumber, 3},
          {F::ResponsePreambles, Text::ExplainPreamblesItSends, 12, K::Decimal},
          {F::MaxDeviceVariables, Text::ExplainDeviceVariables, 13, K::Decimal},
          {F::ConfigChangeCounter, Text::ExplainConfigurationChangeCounter, 14, K::Decimal, 2},
          {F::ExtendedStatus, Text::ExplainExtendedDeviceStatus, 16, K::Bits, 1, -1, -1, nullptr,
           extendedStatusBits},
          {F::Manufacturer, Text::ExplainManufacturer, 17, K::Manufacturer, 2},
          {F::PrivateLabel, Text::ExplainPrivateLabelDistributor, 19, K::HexNumber, 2},
          {F::DeviceProfile, Text::ExplainDeviceProfile, 21, K::Decimal}}},
        {13,
         Text::ExplainReadTagDescriptorAndDate,
         0,
         kAnyRevision,
         false,
         {{F::Tag, Text::ExplainTag, 0, K::PackedAscii, 6},
          {F::Descriptor, Text::ExplainDescriptor, 6, K::PackedAscii, 12},
          {F::Date, Text::ExplainDate, 18, K::Date, 3}}},
        {3, Text::ExplainReadLoopCurrentAndVariables, 0, kAnyRevision, false, command3Fields()},
        // The details, in the order they are read.
        {1,
         Text::DetailHeading1,
         5,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailPV, 0, K::UnitCode}, {F::Pv, Text::DetailPV, 1, K::Float, 4, 0}}},
        {2,
         Text::DetailHeading2,
         5,
         kAnyRevision,
         true,
         {{F::LoopCurrent, Text::DetailLoopCurrent, 0, K::Float, 4, -1, kMilliampere},
          {F::Other, Text::DetailPercentOfRange, 4, K::Float, 4, -1, kPercent}}},
        {7,
         Text::DetailHeading7,
         6,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailPollingAddress, 0, K::Decimal},
          {F::LoopCurrentMode, Text::DetailLoopCurrentMode, 1, K::Codes, 1, -1, -1,
           loopCurrentModeCodes}}},
        {8,
         Text::DetailHeading8,
         6,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailPV, 0, K::Codes, 1, -1, -1, classificationCodes},
          {F::Other, Text::DetailSV, 1, K::Codes, 1, -1, -1, classificationCodes},
          {F::Other, Text::DetailTV, 2, K::Codes, 1, -1, -1, classificationCodes},
          {F::Other, Text::DetailQV, 3, K::Codes, 1, -1, -1, classificationCodes}}},
        {12,
         Text::DetailHeading12,
         5,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailMessage, 0, K::PackedAscii, 24}}},
        {14,
         Text::DetailHeading14,
         5,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailSensorSerial, 0, K::Decimal, 3},
          {F::Other, Text::DetailSensorLimits, 3, K::UnitCode},
          {F::Other, Text::DetailUpperSensorLimit, 4, K::Float, 4, 3},
          {F::Other, Text::DetailLowerSensorLimit, 8, K::Float, 4, 3},
          {F::Other, Text::DetailMinimumSpan, 12, K::Float, 4, 3}}},
        {15,
         Text::DetailHeading15,
         5,
         kAnyRevision,
         true,
         {{F::AlarmSelection, Text::DetailAlarmSelection, 0, K::Codes, 1, -1, -1,
           alarmSelectionCodes},
          {F::TransferFunction, Text::DetailTransferFunction, 1, K::Codes, 1, -1, -1,
           transferFunctionCodes},
          {F::RangeUnits, Text::DetailRangeValues, 2, K::UnitCode},
          {F::UpperRange, Text::DetailUpperRange, 3, K::Float, 4, 2},
          {F::LowerRange, Text::DetailLowerRange, 7, K::Float, 4, 2},
          {F::Damping, Text::DetailDamping, 11, K::Float, 4, -1, kSeconds},
          {F::WriteProtect, Text::DetailWriteProtect, 15, K::Codes, 1, -1, -1, writeProtectCodes},
          {F::Other, Text::DetailAnalogChannel, 17, K::Bits, 1, -1, -1, nullptr,
           analogChannelFlagBits}}},
        {16,
         Text::DetailHeading16,
         5,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailFinalAssembly, 0, K::Decimal, 3}}},
        {20,
         Text::DetailHeading20,
         6,
         kAnyRevision,
         true,
         {{F::LongTag, Text::DetailLongTag, 0, K::Latin1, 32}}},
        {48,
         Text::DetailHeading48,
         5,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailDeviceSpecific, 0, K::HexBytes, 6},
          {F::ExtendedStatus, Text::DetailExtendedStatus, 6, K::Bits, 1, -1, -1, nullptr,
           extendedStatusBits},
          {F::Other, Text::DetailOperatingMode, 7, K::Codes, 1, -1, -1, operatingModeCodes},
          {F::Other, Text::DetailStandardized0, 8, K::Bits, 1, -1, -1, nullptr,
           standardizedStatus0Bits},
          {F::Other, Text::DetailStandardized1, 9, K::Bits, 1, -1, -1, nullptr,
           standardizedStatus1Bits},
          {F::Other, Text::DetailAnalogSaturated, 10, K::HexBytes},
          {F::StandardizedStatus2, Text::DetailStandardized2, 11, K::Bits, 1, -1, -1, nullptr,
           standardizedStatus2Bits},
          {F::Other, Text::DetailStandardized3, 12, K::Bits, 1, -1, -1, nullptr,
           standardizedStatus3Bits},
          {F::Other, Text::DetailAnalogFixed, 13, K::HexBytes},
          {F::Other, Text::DetailDeviceSpecific, 14, K::HexBytes, 11}}},
        {50,
         Text::DetailHeading50,
         5,
         kAnyRevision,
         true,
         {{F::Other, Text::DetailPV, 0, K::DeviceVariable},
          {F::Other, Text::DetailSV, 1, K::DeviceVariable},
          {F::Other, Text::DetailTV, 2, K::DeviceVariable},
          {F::Other, Text::DetailQV, 3, K::DeviceVariable}}},
        {9,
         Text::DetailHeading9,
         7,
         kAnyRevision,
         true,
         {{F::ExtendedStatus, Text::DetailExtendedStatus, 0, K::Bits, 1, -1, -1, nullptr,
           extendedStatusBits},
          {F::Other, Text::DetailSlot0, 1, K::VariableWithStatus, 8},
          {F::Other, Text::DetailSlot1, 9, K::VariableWithStatus, 8},
          {F::Other, Text::DetailSlot2, 17, K::VariableWithStatus, 8},
          {F::Other, Text::DetailSlot3, 25, K::VariableWithStatus, 8}}},
        // Not asked by this program, but published by instruments in burst mode.
        {33, Text::DetailHeading33, 5, kAnyRevision, false, command33Fields()},
        // Published on change of an instrument's configuration; from HART 7 on with the counter.
        {38,
         Text::DetailHeading38,
         5,
         kAnyRevision,
         false,
         {{F::ConfigChangeCounter, Text::ExplainConfigurationChangeCounter, 0, K::Decimal, 2}}},
        // HART-IP client subscriptions, inside command 31: its number, the instrument's unique
        // ID as the subscription names it, the flags (process data 1, events 2, device status 4,
        // configuration 8).
        // I/O systems (multiplexers, gateways): what they hold, and each instrument behind them.
        {74,
         Text::DetailHeading74,
         7,
         kAnyRevision,
         false,
         {{F::IoCards, Text::DetailIoCards, 0, K::Decimal},
          {F::ChannelsPerCard, Text::DetailChannelsPerCard, 1, K::Decimal},
          {F::SubDevicesPerChannel, Text::DetailSubDevicesPerChannel, 2, K::Decimal},
          {F::DevicesDetected, Text::DetailDevicesDetected, 3, K::Decimal, 2},
          {F::DelayedResponses, Text::DetailDelayedResponses, 5, K::Decimal},
          {F::MasterMode, Text::DetailMasterMode, 6, K::Codes, 1, -1, -1, masterModeCodes},
          {F::RetryCount, Text::DetailRetryCount, 7, K::Decimal}}},
        {84,
         Text::DetailHeading84,
         7,
         kAnyRevision,
         false,
         {{F::SubDeviceIndex, Text::DetailSubDeviceIndex, 0, K::Decimal, 2},
          {F::IoCard, Text::DetailIoCard, 2, K::Decimal},
          {F::Channel, Text::DetailChannel, 3, K::Decimal},
          {F::Manufacturer, Text::ExplainManufacturer, 4, K::Manufacturer, 2},
          {F::DeviceType, Text::ExplainExpandedDeviceType, 6, K::HexNumber, 2},
          {F::DeviceId, Text::ExplainDeviceId, 8, K::HexNumber, 3},
          {F::HartRevision, Text::ExplainHARTRevision, 11, K::Decimal},
          {F::LongTag, Text::DetailLongTag, 12, K::Latin1, 32}}},
        {532, Text::DetailHeading532, 7, kAnyRevision, false, subscriptionFields()},
        {533, Text::DetailHeading533, 7, kAnyRevision, false, subscriptionFields()},
    };
}

int byteAt(const QByteArray& data, int at) {
    return quint8(data.at(at));
}

quint32 bigEndian(const QByteArray& data, int at, int length) {
    quint32 number = 0;
    for (int k = 0; k < length; ++k)
        number = (number << 8) | quint32(byteAt(data, at + k));
    return number;
}

QString hexDigits(quint32 value, int bytes) {
    return QStringLiteral("%1").arg(value, 2 * bytes, 16, QLatin1Char('0')).toUpper();
}

QString say(Text id, bool english) {
    return app::text(id, app::languageOf(english));
}

// A float with the unit of `unitCode` (-1: none).
QString valueText(float value, int unitCode, bool english) {
    const QString number = plainText(value);
    return unitCode >= 0 ? number + QLatin1Char(' ') + unitSymbol(unitCode, english) : number;
}

// Where a slot's units code and value lie after its code byte: command 9 puts the
// classification between code and units, command 33 does not.
struct SlotOffsets {
    int unit;
    int value;
};
SlotOffsets slotOffsets(FieldKind kind) {
    return kind == FieldKind::VariableWithStatus ? SlotOffsets{2, 3} : SlotOffsets{1, 2};
}

int wholeLength(const FieldSpec& spec) {
    return spec.kind == FieldKind::Float ? 4 : spec.length;
}

bool isWhole(const FieldSpec& spec, const QByteArray& data) {
    return spec.at + wholeLength(spec) <= data.size() && spec.unitAt < data.size();
}

} // namespace

const std::vector<CommandSpec>& commandSpecs() {
    static const std::vector<CommandSpec> specs = makeSpecs();
    return specs;
}

const CommandSpec* commandSpec(int command, int hartRevision) {
    for (const CommandSpec& spec : commandSpecs())
        if (spec.command == command && hartRevision >= spec.minRevision &&
            hartRevision <= spec.maxRevision)
            return &spec;
    return nullptr;
}

const CommandSpec* layoutOf(int command, const QByteArray& data) {
    // Command 0 says its own revision in its fifth byte; every other layout here serves any
    // revision that has the command.
    constexpr int kRevisionAt = 4;
    constexpr int kExpandedCommand = 31;
    if (command == kExpandedCommand)
        return data.size() >= 2
                   ? commandSpec((byteAt(data, 0) << 8) | byteAt(data, 1), kAnyRevision)
                   : nullptr;
    const int revision =
        command == 0 ? (data.size() > kRevisionAt ? byteAt(data, kRevisionAt) : 0) : kAnyRevision;
    return commandSpec(command, revision);
}

int dataLength(const CommandSpec* layout) {
    return layout && !layout->fields.empty()
               ? layout->fields.back().at + wholeLength(layout->fields.back())
               : 0;
}

QList<DataPart> walkData(const CommandSpec* layout, const QByteArray& data) {
    QList<DataPart> parts;
    int at = 0;
    const int end = int(data.size());
    static const std::vector<FieldSpec> kNone;
    for (const FieldSpec& spec : layout ? layout->fields : kNone) {
        if (spec.at >= end)
            break;
        if (spec.at > at) // bytes the table does not name
            parts << DataPart{nullptr, at, spec.at - at, true};
        const int length = qMin(wholeLength(spec), end - spec.at);
        parts << DataPart{&spec, spec.at, length, isWhole(spec, data)};
        at = spec.at + length;
    }
    if (at < end)
        parts << DataPart{nullptr, at, end - at, true};
    return parts;
}

QString fieldName(const FieldSpec& spec, const QByteArray& data, bool english) {
    switch (spec.kind) {
    case FieldKind::UnitCode:
        return say(spec.name, english) + say(Text::ExplainUnit, english);
    case FieldKind::VariableWithStatus:
    case FieldKind::VariableValue:
        if (spec.at < data.size()) {
            // The slot says which variable it carries: a code with a meaning of its own
            // (245, the loop current) is said in words beside its number.
            const int code = byteAt(data, spec.at);
            QString which = QString::number(code);
            for (const CodeWord& word : deviceVariableCodes())
                if (word.code == code)
                    which += QStringLiteral(": ") + codeText(deviceVariableCodes(), code, english);
            return say(Text::DetailVariableSlot, english).arg(say(spec.name, english), which);
        }
        break;
    default:
        break;
    }
    return say(spec.name, english);
}

QString fieldText(const FieldSpec& spec, const QByteArray& data, bool english, Saying saying) {
    const int at = spec.at;
    switch (spec.kind) {
    case FieldKind::Decimal:
        return QString::number(bigEndian(data, at, spec.length));
    case FieldKind::HexNumber:
        return hexDigits(bigEndian(data, at, spec.length), spec.length);
    case FieldKind::HexBytes:
        return QString::fromLatin1(data.mid(at, spec.length).toHex(' ').toUpper());
    case FieldKind::Manufacturer:
        return manufacturerText(int(bigEndian(data, at, spec.length)), 2 * spec.length, english);
    case FieldKind::Float:
        return valueText(protocol::floatAt(data, at),
                         spec.unitAt >= 0 ? byteAt(data, spec.unitAt) : spec.fixedUnit, english);
    case FieldKind::UnitCode:
        return QStringLiteral("%1 = %2")
            .arg(byteAt(data, at))
            .arg(unitSymbol(byteAt(data, at), english));
    case FieldKind::PackedAscii: {
        const QString text = protocol::unpackAscii(data, at, spec.length / 3 * 4);
        return saying == Saying::Explanation ? QLatin1Char('"') + text + QLatin1Char('"')
                                             : text.trimmed();
    }
    case FieldKind::Latin1: {
        const QString text = QString::fromLatin1(data.mid(at, spec.length)).remove(QChar(0));
        return saying == Saying::Explanation ? QLatin1Char('"') + text + QLatin1Char('"')
                                             : text.trimmed();
    }
    case FieldKind::Date:
        return protocol::dateText(byteAt(data, at), byteAt(data, at + 1), byteAt(data, at + 2));
    case FieldKind::Codes:
        return codeText(spec.codes(), byteAt(data, at), english);
    case FieldKind::Bits:
        return bitsText(spec.bits(), byteAt(data, at), english);
    case FieldKind::RevisionAndSignalling:
        return QStringLiteral("%1, %2")
            .arg(byteAt(data, at) >> 3)
            .arg(physicalSignalingText(byteAt(data, at) & 0x07, english));
    case FieldKind::DeviceVariable: {
        // A variable of the instrument by its number; the codes with a meaning of their own
        // (250: not used) in words.
        const int code = byteAt(data, at);
        for (const CodeWord& word : deviceVariableCodes())
            if (word.code == code)
                return codeText(deviceVariableCodes(), code, english);
        return say(Text::DetailDeviceVariable, english).arg(code);
    }
    case FieldKind::VariableWithStatus:
    case FieldKind::VariableValue: {
        const SlotOffsets slot = slotOffsets(spec.kind);
        const QString value = valueText(protocol::floatAt(data, at + slot.value),
                                        byteAt(data, at + slot.unit), english);
        if (spec.kind == FieldKind::VariableValue)
            return value;
        // Its status follows the value.
        const int status = byteAt(data, at + slot.value + 4);
        return value + QStringLiteral(" \u2014 ") +
               say(Text::DetailVariableStatus, english)
                   .arg(codeText(processDataStatusCodes(), status >> 6, english),
                        codeText(limitStatusCodes(), (status >> 4) & 3, english));
    }
    }
    return QString();
}

const FieldSpec* findField(const CommandSpec* layout, FieldId id) {
    if (!layout)
        return nullptr;
    for (const FieldSpec& spec : layout->fields)
        if (spec.id == id)
            return &spec;
    return nullptr;
}

std::optional<quint32> unsignedField(const CommandSpec* layout, const QByteArray& data,
                                     FieldId id) {
    const FieldSpec* spec = findField(layout, id);
    if (!spec || !isWhole(*spec, data))
        return std::nullopt;
    return bigEndian(data, spec->at, spec->length);
}

std::optional<float> floatField(const CommandSpec* layout, const QByteArray& data, FieldId id) {
    const FieldSpec* spec = findField(layout, id);
    if (!spec || spec->kind != FieldKind::Float || !isWhole(*spec, data))
        return std::nullopt;
    return protocol::floatAt(data, spec->at);
}

std::optional<std::pair<int, float>> valueWithUnit(const CommandSpec* layout,
                                                   const QByteArray& data, FieldId id) {
    const FieldSpec* spec = findField(layout, id);
    if (!spec || spec->kind != FieldKind::Float || spec->unitAt < 0 || !isWhole(*spec, data))
        return std::nullopt;
    return std::pair{byteAt(data, spec->unitAt), protocol::floatAt(data, spec->at)};
}

std::optional<QString> textField(const CommandSpec* layout, const QByteArray& data, FieldId id) {
    const FieldSpec* spec = findField(layout, id);
    if (!spec || !isWhole(*spec, data))
        return std::nullopt;
    if (spec->kind == FieldKind::Latin1)
        return QString::fromLatin1(data.mid(spec->at, spec->length)).remove(QChar(0)).trimmed();
    if (spec->kind != FieldKind::PackedAscii)
        return std::nullopt;
    return protocol::unpackAscii(data, spec->at, spec->length / 3 * 4);
}

QList<SlotReading> slotReadings(const CommandSpec* layout, const QByteArray& data) {
    QList<SlotReading> readings;
    if (!layout)
        return readings;
    for (const FieldSpec& spec : layout->fields) {
        if ((spec.kind != FieldKind::VariableWithStatus && spec.kind != FieldKind::VariableValue) ||
            !isWhole(spec, data))
            continue;
        const SlotOffsets slot = slotOffsets(spec.kind);
        readings << SlotReading{byteAt(data, spec.at), byteAt(data, spec.at + slot.unit),
                                protocol::floatAt(data, spec.at + slot.value)};
    }
    return readings;
}

} // namespace field
