#pragma once

#include "answer_frame.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace field {

// What an I/O system (a HART multiplexer, a WirelessHART gateway) says of itself: command 74.
struct IoSystem {
    int cards = 0;
    int channelsPerCard = 0;
    int subDevicesPerChannel = 0;
    int devicesDetected = 0; // the I/O system itself among them
    int delayedResponses = 0;
    int masterMode = 0; // 0 secondary, 1 primary
    int retryCount = 0;
    // The instruments behind it: the devices detected, less the I/O system.
    int subDevices() const { return devicesDetected > 0 ? devicesDetected - 1 : 0; }
};
std::optional<IoSystem> ioSystemFrom(const AnswerFrame& frame);

// One instrument behind an I/O system as command 84 lists it (index 1 and up; 0 is the I/O
// system itself).
struct SubDeviceSummary {
    int index = 0;
    int card = 0;
    int channel = 0;
    int manufacturer = 0;
    int deviceType = 0; // expanded
    quint32 deviceId = 0;
    int hartRevision = 0;
    QString longTag;
    // Its long address, master and burst bits clear: the device type's low 14 bits and the
    // device ID.
    QByteArray uniqueAddress() const;
};
std::optional<SubDeviceSummary> subDeviceFrom(const AnswerFrame& frame);

// Command 48 of an I/O system says its list of instruments changed (standardized status 2).
bool subDeviceListChanged(const AnswerFrame& frame);

} // namespace field
