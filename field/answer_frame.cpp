#include "answer_frame.h"

#include "command_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string>
#include <system_error>

namespace field {

namespace {

int byteAt(const QByteArray& bytes, int k) {
    return quint8(bytes.at(k));
}

} // namespace

QString shortestText(float value) {
    char text[32];
    const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), value);
    return QString::fromLatin1(text, int(end.ptr - text));
}

QString plainText(float value) {
    // The shortest digits that read back as the same float, as the scientific form gives them
    // ("1e+20", "1.23456e-04"), then laid out in plain positional notation.
    char text[32];
    const std::to_chars_result end =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::scientific);
    const std::string scientific(text, end.ptr);
    const std::size_t e = scientific.find('e');
    if (!std::isfinite(value) || e == std::string::npos)
        return QString::fromStdString(scientific);
    const bool negative = scientific.front() == '-';
    std::string digits;
    for (std::size_t k = negative ? 1 : 0; k < e; ++k)
        if (scientific[k] != '.')
            digits += scientific[k];
    const int exponent = std::stoi(scientific.substr(e + 1));
    const int beforePoint = exponent + 1; // digits before the decimal point
    const int count = int(digits.size());
    std::string plain;
    if (beforePoint <= 0)
        plain = "0." + std::string(std::size_t(-beforePoint), '0') + digits;
    else if (beforePoint >= count)
        plain = digits + std::string(std::size_t(beforePoint - count), '0');
    else
        plain = digits.substr(0, std::size_t(beforePoint)) + '.' +
                digits.substr(std::size_t(beforePoint));
    return QString::fromStdString((negative ? "-" : "") + plain);
}

std::optional<Subscription> subscriptionFrom(const AnswerFrame& frame) {
    constexpr int kExpandedCommand = 31;
    const QByteArray& d = frame.data;
    const CommandSpec* layout =
        frame.command == kExpandedCommand ? layoutOf(frame.command, d) : nullptr;
    const std::optional<quint32> flags = unsignedField(layout, d, FieldId::SubscriptionFlags);
    if (!flags)
        return std::nullopt;
    const FieldSpec* target = findField(layout, FieldId::SubscriptionTarget);
    return Subscription{layout->command, d.mid(target->at, target->length), quint16(*flags)};
}

std::optional<Identity> identityFrom(const AnswerFrame& frame) {
    const QByteArray& d = frame.data;
    const CommandSpec* layout = layoutOf(0, d);
    // Whole at least through the device id, where HART 5 ends.
    if (frame.command != 0 || !unsignedField(layout, d, FieldId::DeviceId))
        return std::nullopt;
    const auto number = [&](FieldId id) { return int(unsignedField(layout, d, id).value_or(0)); };
    const auto optional = [&](FieldId id) -> std::optional<int> {
        if (const std::optional<quint32> value = unsignedField(layout, d, id))
            return int(*value);
        return std::nullopt;
    };
    Identity id;
    id.hartRevision = number(FieldId::HartRevision);
    id.requestPreambles = number(FieldId::RequestPreambles);
    id.deviceRevision = number(FieldId::DeviceRevision);
    id.softwareRevision = number(FieldId::SoftwareRevision);
    id.flags = number(FieldId::Flags);
    id.deviceId = quint32(number(FieldId::DeviceId));
    id.deviceType = number(FieldId::DeviceType);
    // The unique address: the device type as the first two bytes (HART 5: manufacturer and
    // type), then the device id, master and burst bits cleared.
    const FieldSpec* type = findField(layout, FieldId::DeviceType);
    id.longAddress = protocol::withoutMasterAndBurst(
        d.mid(type->at + type->length - 2, 2) + d.mid(findField(layout, FieldId::DeviceId)->at, 3));
    const int hardware = number(FieldId::HardwareRevision);
    if (findField(layout, FieldId::HardwareRevision)->kind == FieldKind::RevisionAndSignalling) {
        id.expandedDeviceType = true;
        id.hardwareRevision = hardware >> 3;
        id.physicalSignaling = hardware & 0x07;
    } else {
        id.hardwareRevision = hardware;
        id.manufacturer = number(FieldId::Manufacturer);
    }
    // What HART 7 adds comes whole or not at all.
    if (id.expandedDeviceType && d.size() >= dataLength(layout)) {
        id.responsePreambles = optional(FieldId::ResponsePreambles);
        id.maxDeviceVariables = optional(FieldId::MaxDeviceVariables);
        id.configChangeCounter = optional(FieldId::ConfigChangeCounter);
        id.extendedStatus = optional(FieldId::ExtendedStatus);
        id.manufacturer = number(FieldId::Manufacturer);
        id.privateLabel = optional(FieldId::PrivateLabel);
        id.deviceProfile = optional(FieldId::DeviceProfile);
    }
    return id;
}

std::optional<TagRecord> tagRecordFrom(const AnswerFrame& frame) {
    const QByteArray& d = frame.data;
    const CommandSpec* layout = layoutOf(13, d);
    if (frame.command != 13 || d.size() < dataLength(layout))
        return std::nullopt;
    TagRecord r;
    r.tag = textField(layout, d, FieldId::Tag).value_or(QString());
    r.descriptor = textField(layout, d, FieldId::Descriptor).value_or(QString());
    const int dateAt = findField(layout, FieldId::Date)->at;
    r.day = byteAt(d, dateAt);
    r.month = byteAt(d, dateAt + 1);
    r.year = byteAt(d, dateAt + 2);
    r.date = QDate(1900 + r.year, r.month, r.day);
    return r;
}

std::optional<DynamicVariables> dynamicVariablesFrom(const AnswerFrame& frame) {
    const int command = frame.command;
    const QByteArray& data = frame.data;
    const CommandSpec* layout = layoutOf(command, data);
    constexpr FieldId kVariables[] = {FieldId::Pv, FieldId::Sv, FieldId::Tv, FieldId::Qv};
    DynamicVariables v;
    if (command == 3 || command == 1 || command == 2) {
        // Command 3 without its loop current is no answer at all.
        v.loopCurrent = floatField(layout, data, FieldId::LoopCurrent);
        if (command == 3 && !v.loopCurrent)
            return std::nullopt;
        for (int k = 0; k < 4; ++k)
            if (const auto value = valueWithUnit(layout, data, kVariables[k]))
                v.values[size_t(k)] = Variable{value->first, value->second};
    } else if (command == 9 || command == 33) {
        for (const SlotReading& slot : slotReadings(layout, data)) {
            const int k = slot.code - kPrimaryVariable;
            if (slot.code == kLoopCurrentVariable)
                v.loopCurrent = slot.value;
            else if (k >= 0 && k < 4)
                v.values[size_t(k)] = Variable{slot.unitCode, slot.value};
        }
    }
    const bool any = v.loopCurrent || std::any_of(v.values.begin(), v.values.end(),
                                                  [](const auto& value) { return bool(value); });
    if (!any)
        return std::nullopt;
    return v;
}

} // namespace field
