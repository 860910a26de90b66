#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace app {

// The program's own small settings, in "Corvantelis v.1.03.ini" beside the settings file, which
// keeps its fixed records as they are.
class SideSettings {
public:
    explicit SideSettings(const QString& settingsDir);

    QString filePath() const { return m_path; }

    // The serial device chosen last from the discovered list; empty when none is remembered.
    QString rememberedDevice() const;
    // Remembers `devicePath`; an empty path forgets. False, with the reason, when the file could
    // not be written.
    bool setRememberedDevice(const QString& devicePath, QString* error = nullptr);

    // Whether the measurements are recorded; off until the operator turns it on.
    bool recordingEnabled() const;
    bool setRecordingEnabled(bool enabled, QString* error = nullptr);

    // Whether this program is the loop's secondary master: [line] master = secondary; primary
    // (the default) for "primary", a missing value or anything else.
    bool secondaryMaster() const;
    bool setSecondaryMaster(bool secondary, QString* error = nullptr);

    // At most one line a this often per instrument: [recording] intervalMs; 0 (the default, and
    // for a value that is missing, negative or not a number): every answer.
    qint64 recordIntervalMs() const;

    // The instrument view's splitter sizes as it saved them: [instrument-view] layout; empty
    // when none are kept.
    QByteArray instrumentViewLayout() const;
    bool setInstrumentViewLayout(const QByteArray& layout, QString* error = nullptr);

    // How close the loop check wants the current to the PV's: [loop-check] toleranceMa and
    // tolerancePercentOfSpan. A value that is missing, not a number or not above 0: the default.
    struct LoopCheckTolerance {
        double ma = 0.05;
        double percentOfSpan = 0.3;
    };
    LoopCheckTolerance loopCheckTolerance() const;

    // HART-IP: [hart-ip] answerTimeoutMs (2000) and inactivityMs (60000). A value that is
    // missing or out of range (100 ms to 1 hour): the default.
    struct HartIpTimes {
        int answerTimeoutMs = 2000;
        int inactivityMs = 60000;
    };
    HartIpTimes hartIpTimes() const;

    // The pre-shared key for HART-IP version 2 with `host`: [hart-ip-psk-identity] HOST=IDENTITY
    // and [hart-ip-psk-key] HOST=HEXKEY. Nothing when either is missing. A file holding keys is
    // kept readable by its owner only; reading one tightens a file found open to others.
    struct HartIpKey {
        QString identity;
        QString hexKey;
    };
    std::optional<HartIpKey> hartIpKey(const QString& host) const;
    bool setHartIpKey(const QString& host, const HartIpKey& key, QString* error = nullptr);

    // Publishing to an MQTT broker: [mqtt] url, caFile, certFile, keyFile, user, password, site,
    // clientId and maxQueueMB, as written (empty: not given; maxQueueMB 0: not given or not a
    // whole number above 0). A file holding a password is kept readable by its owner only, as
    // for the keys.
    struct MqttEntries {
        QString url, caFile, certFile, keyFile, user, password, site, clientId;
        int maxQueueMB = 0;
    };
    MqttEntries mqtt() const;

private:
    bool store(const QString& key, const QVariant& value, QString* error);
    // Owner-only permissions, when the file holds a key.
    void guardKeys() const;

    QString m_path;
};

// Which device start-up opens instead of port 1: one given on the command line wins, then the
// one remembered if it is there. A remembered device that is not there is named in `missing`,
// and port 1 is opened as before.
struct StartupDevice {
    QString device;  // empty: port 1
    QString missing; // the remembered device, when it was not there
};
StartupDevice chooseStartupDevice(const QString& given, const QString& remembered,
                                  bool rememberedIsThere);

} // namespace app
