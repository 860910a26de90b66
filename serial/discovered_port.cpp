#include "discovered_port.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace serial {

namespace {

const QString kDash = QStringLiteral(" \u2014 ");

QString usbIds(const DiscoveredPort& port) {
    if (!port.vendorId || !port.productId)
        return QString();
    return QStringLiteral("%1:%2")
        .arg(*port.vendorId, 4, 16, QLatin1Char('0'))
        .arg(*port.productId, 4, 16, QLatin1Char('0'));
}

} // namespace

QString stableNameOf(const QString& devicePath, const QString& byIdFolder) {
    const QString device = QFileInfo(devicePath).canonicalFilePath();
    if (device.isEmpty())
        return QString();
    const QDir folder(byIdFolder);
    for (const QFileInfo& link : folder.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        if (link.isSymLink() && link.canonicalFilePath() == device)
            return link.absoluteFilePath();
    }
    return QString();
}

QList<DiscoveredPort> discoverSerialPorts(const QString& byIdFolder) {
    QList<DiscoveredPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        DiscoveredPort port;
        port.devicePath = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        if (info.hasVendorIdentifier())
            port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.productId = info.productIdentifier();
        port.stableName = stableNameOf(port.devicePath, byIdFolder);
        ports << port;
    }
    return ports;
}

QList<PortEntry> portEntries(const QList<DiscoveredPort>& ports) {
    QList<PortEntry> entries;
    for (const DiscoveredPort& port : ports) {
        QString text = port.devicePath;
        const QString what = !port.description.isEmpty() ? port.description : port.manufacturer;
        const QString ids = usbIds(port);
        if (!what.isEmpty() || !ids.isEmpty())
            text += kDash + what;
        if (!ids.isEmpty())
            text += what.isEmpty() ? ids : QStringLiteral(" (%1)").arg(ids);
        entries << PortEntry{text, port.devicePath};
        // The name that stays the same whichever order adapters are plugged in.
        if (!port.stableName.isEmpty())
            entries << PortEntry{port.stableName, port.stableName};
    }
    return entries;
}

} // namespace serial
