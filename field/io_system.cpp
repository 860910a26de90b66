#include "io_system.h"

#include "command_table.h"

namespace field {

std::optional<IoSystem> ioSystemFrom(const AnswerFrame& frame) {
    constexpr int kReadIoSystemCapabilities = 74;
    const CommandSpec* layout = layoutOf(kReadIoSystemCapabilities, frame.data);
    // Whole through the retry count, the last field.
    if (frame.command != kReadIoSystemCapabilities ||
        !unsignedField(layout, frame.data, FieldId::RetryCount))
        return std::nullopt;
    const auto number = [&](FieldId id) { return int(*unsignedField(layout, frame.data, id)); };
    IoSystem io;
    io.cards = number(FieldId::IoCards);
    io.channelsPerCard = number(FieldId::ChannelsPerCard);
    io.subDevicesPerChannel = number(FieldId::SubDevicesPerChannel);
    io.devicesDetected = number(FieldId::DevicesDetected);
    io.delayedResponses = number(FieldId::DelayedResponses);
    io.masterMode = number(FieldId::MasterMode);
    io.retryCount = number(FieldId::RetryCount);
    return io;
}

std::optional<SubDeviceSummary> subDeviceFrom(const AnswerFrame& frame) {
    constexpr int kReadSubDeviceIdentity = 84;
    const CommandSpec* layout = layoutOf(kReadSubDeviceIdentity, frame.data);
    if (frame.command != kReadSubDeviceIdentity ||
        !unsignedField(layout, frame.data, FieldId::HartRevision))
        return std::nullopt;
    const auto number = [&](FieldId id) { return int(*unsignedField(layout, frame.data, id)); };
    SubDeviceSummary sub;
    sub.index = number(FieldId::SubDeviceIndex);
    sub.card = number(FieldId::IoCard);
    sub.channel = number(FieldId::Channel);
    sub.manufacturer = number(FieldId::Manufacturer);
    sub.deviceType = number(FieldId::DeviceType);
    sub.deviceId = quint32(number(FieldId::DeviceId));
    sub.hartRevision = number(FieldId::HartRevision);
    // The long tag may be cut short by an older I/O system: what came of it.
    sub.longTag = textField(layout, frame.data, FieldId::LongTag).value_or(QString());
    return sub;
}

QByteArray SubDeviceSummary::uniqueAddress() const {
    constexpr int kTypeHighBits = 0x3F; // the top two bits are the master and burst bits
    QByteArray address;
    address += char((deviceType >> 8) & kTypeHighBits);
    address += char(deviceType & 0xFF);
    address += char((deviceId >> 16) & 0xFF);
    address += char((deviceId >> 8) & 0xFF);
    address += char(deviceId & 0xFF);
    return address;
}

bool subDeviceListChanged(const AnswerFrame& frame) {
    constexpr int kAdditionalStatus = 48;
    constexpr quint32 kListChanged = 0x01;
    if (frame.command != kAdditionalStatus)
        return false;
    const std::optional<quint32> status = unsignedField(layoutOf(kAdditionalStatus, frame.data),
                                                        frame.data, FieldId::StandardizedStatus2);
    return status && (*status & kListChanged);
}

} // namespace field
