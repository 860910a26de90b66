#include "messages.h"

#include "field/command_table.h"
#include "field/hart_tables.h"
#include "record/measurement_row.h"

#include <cmath>

namespace mqtt {

namespace {

constexpr int kMilliampere = 39;
constexpr int kReadLongTag = 20;

// A JSON object written in the order its members are added, numbers as the shortest digits that
// read back as the same float (what the CSV files write), not as a double's seventeen.
class JsonObject {
public:
    JsonObject& raw(const char* name, const QByteArray& json) {
        m_text += m_text.isEmpty() ? "{" : ",";
        m_text += quoted(QString::fromLatin1(name)) + ':' + json;
        return *this;
    }
    JsonObject& text(const char* name, const QString& value) { return raw(name, quoted(value)); }
    JsonObject& integer(const char* name, qint64 value) {
        return raw(name, QByteArray::number(value));
    }
    JsonObject& number(const char* name, float value) {
        return raw(name, std::isfinite(value) ? field::shortestText(value).toLatin1()
                                              : QByteArray("null"));
    }
    JsonObject& boolean(const char* name, bool value) {
        return raw(name, value ? "true" : "false");
    }
    QByteArray done() const { return (m_text.isEmpty() ? QByteArray("{") : m_text) + '}'; }

    static QByteArray quoted(const QString& value) {
        QByteArray out = "\"";
        for (const char c : value.toUtf8()) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (uchar(c) < 0x20) {
                out += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
            } else {
                out += c;
            }
        }
        return out + '"';
    }

private:
    QByteArray m_text;
};

QByteArray hexText(const QByteArray& bytes) {
    return bytes.toHex().toUpper();
}

// Blanks the instrument pads its text with are not part of it.
QString trimmedRight(QString text) {
    while (text.endsWith(QLatin1Char(' ')) || text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

void addPlace(JsonObject& json, const Place& place) {
    json.integer(place.behindIoSystem ? "index" : "pollingAddress", place.address);
}

} // namespace

Topics::Topics(const QString& site, const QString& clientId)
    : m_root("corvantelis/" + level(site).toUtf8() + '/' + level(clientId).toUtf8() + '/') {}

QString Topics::level(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') ||
            c.unicode() < 0x20)
            c = QLatin1Char('_');
    return out.isEmpty() ? QStringLiteral("_") : out;
}

QByteArray Topics::status() const {
    return m_root + "status";
}

QByteArray Topics::instrument(const QByteArray& longAddress, const char* what) const {
    return m_root + "instrument/" + hexText(longAddress) + '/' + what;
}

QByteArray Topics::identity(const QByteArray& longAddress) const {
    return instrument(longAddress, "identity");
}

QByteArray Topics::measurement(const QByteArray& longAddress) const {
    return instrument(longAddress, "measurement");
}

QByteArray Topics::state(const QByteArray& longAddress) const {
    return instrument(longAddress, "state");
}

QByteArray statusPayload(bool online, const QDateTime& when, const QString& version,
                         const QString& port) {
    JsonObject json;
    json.text("state", online ? QStringLiteral("online") : QStringLiteral("offline"));
    if (when.isValid())
        json.raw("time", JsonObject::quoted(QString::fromLatin1(record::isoTime(when))));
    return json.text("version", version).text("port", port).done();
}

QByteArray lastWillPayload(const QString& version, const QString& port) {
    return statusPayload(false, QDateTime(), version, port);
}

QString longTagOf(const field::Instrument& instrument) {
    const auto it = instrument.details.find(kReadLongTag);
    if (it == instrument.details.end() || !it->second.accepted ||
        it->second.frame.responseCode != 0)
        return QString();
    const QByteArray& data = it->second.frame.data;
    const std::optional<QString> tag =
        field::textField(field::layoutOf(kReadLongTag, data), data, field::FieldId::LongTag);
    return tag ? trimmedRight(*tag) : QString();
}

QByteArray identityPayload(const field::Instrument& instrument, const Place& place,
                           const QString& longTag) {
    JsonObject json;
    if (const std::optional<field::Identity>& id = instrument.identity) {
        json.text("longAddress", QString::fromLatin1(hexText(id->longAddress)));
        // HART 7 names the manufacturer only in the long form of command 0; the list of an
        // I/O system names it too.
        if (id->fromList || id->hartRevision < 7 || id->configChangeCounter)
            json.integer("manufacturerCode", id->manufacturer)
                .text("manufacturer", field::manufacturerName(id->manufacturer));
        json.integer("deviceType", id->deviceType)
            .integer("deviceId", id->deviceId)
            .integer("hartRevision", id->hartRevision);
    }
    addPlace(json, place);
    if (instrument.tag) {
        json.text("tag", trimmedRight(instrument.tag->tag))
            .text("descriptor", trimmedRight(instrument.tag->descriptor));
        if (instrument.tag->date.isValid())
            json.text("date", instrument.tag->date.toString(Qt::ISODate));
    }
    if (!longTag.isEmpty())
        json.text("longTag", longTag);
    return json.done();
}

QByteArray measurementPayload(quint64 sequence, const QDateTime& when, const Place& place,
                              const field::Instrument& instrument) {
    JsonObject json;
    json.integer("seq", qint64(sequence))
        .raw("time", JsonObject::quoted(QString::fromLatin1(record::isoTime(when))));
    addPlace(json, place);
    if (instrument.identity)
        json.text("longAddress", QString::fromLatin1(hexText(instrument.identity->longAddress)));
    const std::optional<field::DynamicVariables>& v = instrument.lastMeasured;
    if (v && v->loopCurrent)
        json.raw("loopCurrent", JsonObject()
                                    .number("value", *v->loopCurrent)
                                    .integer("unitCode", kMilliampere)
                                    .text("unit", field::unitSymbol(kMilliampere))
                                    .done());
    static const char* const kNames[] = {"pv", "sv", "tv", "qv"};
    for (size_t k = 0; k < 4; ++k) {
        const std::optional<field::Variable>& variable = v ? v->values[k] : std::nullopt;
        if (variable)
            json.raw(kNames[k], JsonObject()
                                    .number("value", variable->value)
                                    .integer("unitCode", variable->unitCode)
                                    .text("unit", field::unitSymbol(variable->unitCode))
                                    .done());
    }
    if (instrument.responseCode >= 0)
        json.integer("responseCode", instrument.responseCode);
    if (instrument.deviceStatus >= 0) {
        json.integer("deviceStatus", instrument.deviceStatus);
        QByteArray bits = "[";
        for (const field::StatusBit& bit : field::deviceStatusBits())
            if (instrument.deviceStatus & bit.mask)
                bits += (bits.size() > 1 ? "," : "") +
                        JsonObject::quoted(QString::fromLatin1(bit.english));
        json.raw("statusBits", bits + ']');
    }
    return json.done();
}

QByteArray statePayload(const field::Instrument& instrument) {
    JsonObject json;
    json.boolean("answering", instrument.answering);
    if (!instrument.answering && instrument.silentSinceMs > 0)
        json.raw("silentSince", JsonObject::quoted(QString::fromLatin1(record::isoTime(
                                    QDateTime::fromMSecsSinceEpoch(instrument.silentSinceMs)))));
    return json.done();
}

} // namespace mqtt
