#pragma once

#include "field/field_model.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What the logger tells an MQTT broker, as topics and JSON payloads (UTF-8). Made here and
// nowhere else; the layout is documented in the README and in corvantelis-mqtt.schema.json.
namespace mqtt {

// Where one logger's messages go: corvantelis/<site>/<clientId>/…
class Topics {
public:
    Topics(const QString& site, const QString& clientId);

    const QByteArray& root() const { return m_root; }
    QByteArray status() const;
    QByteArray identity(const QByteArray& longAddress) const;
    QByteArray measurement(const QByteArray& longAddress) const;
    QByteArray state(const QByteArray& longAddress) const;

    // `text` as one topic level: the separators and wildcards ('/', '+', '#') and control
    // characters become '_'; nothing at all becomes "_".
    static QString level(const QString& text);

private:
    QByteArray instrument(const QByteArray& longAddress, const char* what) const;

    QByteArray m_root;
};

// Where an instrument sits: at a polling address of the loop, or behind the I/O system at its
// number in the list.
struct Place {
    int address = -1;
    bool behindIoSystem = false;
};

// {"state":"online"|"offline","time":…,"version":…,"port":…}; retained, and "offline" is the
// last will (without a time: the broker sends it when the logger is gone).
QByteArray statusPayload(bool online, const QDateTime& when, const QString& version,
                         const QString& port);
QByteArray lastWillPayload(const QString& version, const QString& port);

// Who the instrument is: manufacturer code and name, device type, device ID, HART revision,
// where it sits, tag, descriptor, date, long tag when read (`longTag` empty: not read).
QByteArray identityPayload(const field::Instrument& instrument, const Place& place,
                           const QString& longTag);

// One measurement: the per-logger sequence number, the time it came (as the CSV files write it),
// the loop current and the four variables each with unit code and symbol (what the frame did not
// carry is left out; a value that is not a number is null), the response code, and the device
// status with its set bits in words.
QByteArray measurementPayload(quint64 sequence, const QDateTime& when, const Place& place,
                              const field::Instrument& instrument);

// {"answering":true}, or {"answering":false,"silentSince":…} (no time when it never answered).
QByteArray statePayload(const field::Instrument& instrument);

// The long tag an instrument told in its command-20 answer; empty when none was read.
QString longTagOf(const field::Instrument& instrument);

} // namespace mqtt
