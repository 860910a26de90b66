#include "app/side_settings.h"

#include "app/program_identity.h"

#include <QFile>
#include <QSettings>

namespace app {

namespace {

const QString kDeviceKey = QStringLiteral("port/device");
const QString kRecordingKey = QStringLiteral("recording/enabled");
const QString kMasterKey = QStringLiteral("line/master");
const QString kIdentityGroup = QStringLiteral("hart-ip-psk-identity");
const QString kKeyGroup = QStringLiteral("hart-ip-psk-key");

} // namespace

SideSettings::SideSettings(const QString& settingsDir)
    : m_path(settingsDir + programTitle() + QStringLiteral(".ini")) {}

QString SideSettings::rememberedDevice() const {
    return QSettings(m_path, QSettings::IniFormat).value(kDeviceKey).toString();
}

bool SideSettings::setRememberedDevice(const QString& devicePath, QString* error) {
    return store(kDeviceKey, devicePath.isEmpty() ? QVariant() : QVariant(devicePath), error);
}

bool SideSettings::recordingEnabled() const {
    return QSettings(m_path, QSettings::IniFormat).value(kRecordingKey, false).toBool();
}

bool SideSettings::setRecordingEnabled(bool enabled, QString* error) {
    return store(kRecordingKey, enabled, error);
}

bool SideSettings::secondaryMaster() const {
    return QSettings(m_path, QSettings::IniFormat).value(kMasterKey).toString() ==
           QLatin1String("secondary");
}

bool SideSettings::setSecondaryMaster(bool secondary, QString* error) {
    return store(kMasterKey, secondary ? QStringLiteral("secondary") : QStringLiteral("primary"),
                 error);
}

QByteArray SideSettings::instrumentViewLayout() const {
    return QSettings(m_path, QSettings::IniFormat)
        .value(QStringLiteral("instrument-view/layout"))
        .toByteArray();
}

bool SideSettings::setInstrumentViewLayout(const QByteArray& layout, QString* error) {
    return store(QStringLiteral("instrument-view/layout"), layout, error);
}

qint64 SideSettings::recordIntervalMs() const {
    bool ok = false;
    const qint64 value = QSettings(m_path, QSettings::IniFormat)
                             .value(QStringLiteral("recording/intervalMs"))
                             .toLongLong(&ok);
    return ok && value > 0 ? value : 0;
}

SideSettings::HartIpTimes SideSettings::hartIpTimes() const {
    const QSettings file(m_path, QSettings::IniFormat);
    HartIpTimes times;
    const auto milliseconds = [&file](const QString& key, int fallback) {
        bool ok = false;
        const int value = file.value(key).toInt(&ok);
        return ok && value >= 100 && value <= 3600000 ? value : fallback;
    };
    times.answerTimeoutMs =
        milliseconds(QStringLiteral("hart-ip/answerTimeoutMs"), times.answerTimeoutMs);
    times.inactivityMs = milliseconds(QStringLiteral("hart-ip/inactivityMs"), times.inactivityMs);
    return times;
}

std::optional<SideSettings::HartIpKey> SideSettings::hartIpKey(const QString& host) const {
    guardKeys();
    const QSettings file(m_path, QSettings::IniFormat);
    HartIpKey key;
    key.identity = file.value(kIdentityGroup + QLatin1Char('/') + host).toString();
    key.hexKey = file.value(kKeyGroup + QLatin1Char('/') + host).toString();
    if (key.identity.isEmpty() || key.hexKey.isEmpty())
        return std::nullopt;
    return key;
}

bool SideSettings::setHartIpKey(const QString& host, const HartIpKey& key, QString* error) {
    // The file is closed to others before the key is in it. A file not there yet is made, empty
    // and owner-only, first: written anew it keeps those permissions, where a file the writer
    // made itself would hold the key readable by all until it was tightened.
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!QFile::exists(m_path)) {
        QFile empty(m_path);
        if (empty.open(QIODevice::WriteOnly))
            empty.setPermissions(ownerOnly);
    }
    QFile::setPermissions(m_path, ownerOnly);
    return store(kIdentityGroup + QLatin1Char('/') + host, key.identity, error) &&
           store(kKeyGroup + QLatin1Char('/') + host, key.hexKey, error);
}

void SideSettings::guardKeys() const {
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (!QFile::exists(m_path) || !(QFile::permissions(m_path) & others))
        return;
    const QSettings file(m_path, QSettings::IniFormat);
    if (file.childGroups().contains(kKeyGroup) ||
        !file.value(QStringLiteral("mqtt/password")).toString().isEmpty())
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

SideSettings::MqttEntries SideSettings::mqtt() const {
    guardKeys();
    const QSettings file(m_path, QSettings::IniFormat);
    const auto text = [&file](const char* key) {
        return file.value(QStringLiteral("mqtt/") + QLatin1String(key)).toString().trimmed();
    };
    MqttEntries entries;
    entries.url = text("url");
    entries.caFile = text("caFile");
    entries.certFile = text("certFile");
    entries.keyFile = text("keyFile");
    entries.user = text("user");
    entries.password = file.value(QStringLiteral("mqtt/password")).toString(); // as written
    entries.site = text("site");
    entries.clientId = text("clientId");
    bool ok = false;
    const int megabytes = text("maxQueueMB").toInt(&ok);
    entries.maxQueueMB = ok && megabytes > 0 ? megabytes : 0;
    return entries;
}

SideSettings::LoopCheckTolerance SideSettings::loopCheckTolerance() const {
    const QSettings file(m_path, QSettings::IniFormat);
    LoopCheckTolerance tolerance;
    const auto positive = [&file](const QString& key, double fallback) {
        bool ok = false;
        const double value = file.value(key).toDouble(&ok);
        return ok && value > 0 && value < 1e6 ? value : fallback;
    };
    tolerance.ma = positive(QStringLiteral("loop-check/toleranceMa"), tolerance.ma);
    tolerance.percentOfSpan =
        positive(QStringLiteral("loop-check/tolerancePercentOfSpan"), tolerance.percentOfSpan);
    return tolerance;
}

// Writes `value` under `key`, or removes the key for a null value.
bool SideSettings::store(const QString& key, const QVariant& value, QString* error) {
    QSettings file(m_path, QSettings::IniFormat);
    if (value.isNull())
        file.remove(key);
    else
        file.setValue(key, value);
    file.sync();
    guardKeys();
    if (file.status() == QSettings::NoError)
        return true;
    // A file that could not be parsed when it was read leaves QSettings reporting a format
    // error after every write, written or not. What decides is whether the value is there now.
    if (file.status() == QSettings::FormatError) {
        const QSettings written(m_path, QSettings::IniFormat);
        if (written.status() == QSettings::NoError && written.value(key) == value)
            return true;
    }
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
