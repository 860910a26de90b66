#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace serial {

// A serial device the system reports, as the port list offers it.
struct DiscoveredPort {
    QString devicePath;                         // "/dev/ttyUSB0", "COM7"
    QString description;                        // "FT232R USB UART"; may be empty
    QString manufacturer;                       // "FTDI"; may be empty
    std::optional<quint16> vendorId, productId; // USB identifiers, where known
    QString stableName; // "/dev/serial/by-id/usb-FTDI_…", where the system gives one
};

using PortDiscovery = std::function<QList<DiscoveredPort>()>;

// What the system reports now: QSerialPortInfo, and for each device the name in `byIdFolder`
// that links to it.
QList<DiscoveredPort>
discoverSerialPorts(const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"));

// The entry in `byIdFolder` that resolves to `devicePath`; empty when there is none.
QString stableNameOf(const QString& devicePath, const QString& byIdFolder);

// One line of the port list: what it shows and the device it opens.
struct PortEntry {
    QString text;       // "/dev/ttyUSB0 — FT232R USB UART (0403:6001)"
    QString devicePath; // what is opened when it is chosen
};

// The list entries for `ports`, in order: each device by its path, then its stable name where
// it has one.
QList<PortEntry> portEntries(const QList<DiscoveredPort>& ports);

} // namespace serial
