#include "app/side_settings.h"

#include "app/program_identity.h"

#include <QSettings>

namespace app {

namespace {

const QString kDeviceKey = QStringLiteral("port/device");

} // namespace

SideSettings::SideSettings(const QString& settingsDir)
    : m_path(settingsDir + programTitle() + QStringLiteral(".ini")) {}

QString SideSettings::rememberedDevice() const {
    return QSettings(m_path, QSettings::IniFormat).value(kDeviceKey).toString();
}

bool SideSettings::setRememberedDevice(const QString& devicePath, QString* error) {
    QSettings file(m_path, QSettings::IniFormat);
    if (devicePath.isEmpty())
        file.remove(kDeviceKey);
    else
        file.setValue(kDeviceKey, devicePath);
    file.sync();
    if (file.status() == QSettings::NoError)
        return true;
    if (error)
        *error = m_path + QStringLiteral(": could not be written");
    return false;
}

StartupDevice chooseStartupDevice(const QString& given, const QString& remembered,
                                  bool rememberedIsThere) {
    if (!given.isEmpty())
        return {given, QString()};
    if (remembered.isEmpty())
        return {};
    if (rememberedIsThere)
        return {remembered, QString()};
    return {QString(), remembered};
}

} // namespace app
