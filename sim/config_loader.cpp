#include "sim/config_loader.h"

#include "protocol/hart_frame.h"

#include <algorithm>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringList>

#include <cmath>

namespace sim {

namespace {

struct ConfigError {
    QString key;
    QString problem;
};

[[noreturn]] void fail(const QString& key, const QString& problem) {
    throw ConfigError{key, problem};
}

QString member(const QString& path, const QString& key) {
    return path.isEmpty() ? key : path + QLatin1Char('.') + key;
}

QString element(const QString& path, int index) {
    return path + QStringLiteral("[%1]").arg(index);
}

// One JSON object with the keys it may hold; every read marks a key as known.
class ObjectReader {
public:
    ObjectReader(const QJsonValue& value, QString path, QStringList allowed)
        : m_path(std::move(path)) {
        if (!value.isObject())
            fail(m_path.isEmpty() ? QStringLiteral("(top level)") : m_path,
                 QStringLiteral("must be an object"));
        m_object = value.toObject();
        for (auto it = m_object.begin(); it != m_object.end(); ++it) {
            if (!allowed.contains(it.key()))
                fail(key(it.key()), QStringLiteral("unknown key"));
        }
    }

    QString key(const QString& name) const { return member(m_path, name); }
    bool has(const QString& name) const { return m_object.contains(name); }
    QJsonValue value(const QString& name) const { return m_object.value(name); }

    void require(const QString& name) const {
        if (!has(name))
            fail(key(name), QStringLiteral("missing"));
    }

    double number(const QString& name) const {
        const QJsonValue v = value(name);
        if (!v.isDouble())
            fail(key(name), QStringLiteral("must be a number"));
        return v.toDouble();
    }

    int integer(const QString& name, int min, int max) const {
        const QJsonValue v = value(name);
        const double d = v.toDouble();
        if (!v.isDouble() || std::floor(d) != d)
            fail(key(name), QStringLiteral("must be a whole number %1 to %2").arg(min).arg(max));
        if (d < min || d > max)
            fail(key(name), QStringLiteral("must be %1 to %2").arg(min).arg(max));
        return static_cast<int>(d);
    }

    int integer(const QString& name, int min, int max, int fallback) const {
        return has(name) ? integer(name, min, max) : fallback;
    }

    QString string(const QString& name) const {
        const QJsonValue v = value(name);
        if (!v.isString())
            fail(key(name), QStringLiteral("must be a string"));
        return v.toString();
    }

private:
    QString m_path;
    QJsonObject m_object;
};

QJsonArray arrayOf(const QJsonValue& value, const QString& key) {
    if (!value.isArray())
        fail(key, QStringLiteral("must be an array"));
    return value.toArray();
}

QString packedText(const ObjectReader& r, const QString& name, int maxLength) {
    if (!r.has(name))
        return {};
    const QString text = r.string(name);
    if (text.size() > maxLength)
        fail(r.key(name), QStringLiteral("at most %1 characters").arg(maxLength));
    if (!protocol::isPackable(text))
        fail(r.key(name),
             QStringLiteral("only letters, digits, blanks and the marks of ASCII 32 to 95"));
    return text.toUpper();
}

std::array<quint8, 3> deviceId(const ObjectReader& r) {
    r.require(QStringLiteral("deviceId"));
    const QString text = r.string(QStringLiteral("deviceId"));
    bool ok = false;
    const uint id = text.toUInt(&ok, 16);
    if (text.size() != 6 || !ok)
        fail(r.key(QStringLiteral("deviceId")), QStringLiteral("must be six hex digits"));
    return {static_cast<quint8>(id >> 16), static_cast<quint8>(id >> 8), static_cast<quint8>(id)};
}

Waveform waveform(const ObjectReader& r) {
    Waveform w;
    const bool hasValue = r.has(QStringLiteral("value"));
    const bool hasWave = r.has(QStringLiteral("waveform"));
    if (hasValue == hasWave)
        fail(r.key(QStringLiteral("value")), QStringLiteral("give either value or waveform"));
    if (hasValue) {
        w.value = r.number(QStringLiteral("value"));
        for (const char* key : {"min", "max", "period", "phase"}) {
            if (r.has(QLatin1String(key)))
                fail(r.key(QLatin1String(key)), QStringLiteral("only with a waveform"));
        }
        return w;
    }
    const QString shape = r.string(QStringLiteral("waveform"));
    if (shape == QLatin1String("sine"))
        w.shape = Waveform::Shape::Sine;
    else if (shape == QLatin1String("ramp"))
        w.shape = Waveform::Shape::Ramp;
    else
        fail(r.key(QStringLiteral("waveform")), QStringLiteral("must be \"sine\" or \"ramp\""));
    for (const char* key : {"min", "max", "period"})
        r.require(QLatin1String(key));
    w.min = r.number(QStringLiteral("min"));
    w.max = r.number(QStringLiteral("max"));
    w.period = r.number(QStringLiteral("period"));
    if (w.period <= 0.0)
        fail(r.key(QStringLiteral("period")), QStringLiteral("must be above 0 seconds"));
    if (w.max < w.min)
        fail(r.key(QStringLiteral("max")), QStringLiteral("must not be below min"));
    if (r.has(QStringLiteral("phase")))
        w.phase = r.number(QStringLiteral("phase"));
    return w;
}

std::vector<VariableConfig> variables(const ObjectReader& r) {
    std::vector<VariableConfig> out;
    if (!r.has(QStringLiteral("variables")))
        return out;
    const QString key = r.key(QStringLiteral("variables"));
    const QJsonArray list = arrayOf(r.value(QStringLiteral("variables")), key);
    if (list.size() > kMaxVariables)
        fail(key, QStringLiteral("at most %1 variables").arg(kMaxVariables));
    for (int i = 0; i < list.size(); ++i) {
        const ObjectReader v(list.at(i), element(key, i),
                             {QStringLiteral("units"), QStringLiteral("value"),
                              QStringLiteral("waveform"), QStringLiteral("min"),
                              QStringLiteral("max"), QStringLiteral("period"),
                              QStringLiteral("phase")});
        v.require(QStringLiteral("units"));
        VariableConfig variable;
        variable.units = static_cast<quint8>(v.integer(QStringLiteral("units"), 0, 255));
        variable.wave = waveform(v);
        out.push_back(variable);
    }
    return out;
}

FaultConfig faults(const ObjectReader& r) {
    FaultConfig f;
    if (!r.has(QStringLiteral("faults")))
        return f;
    const ObjectReader o(r.value(QStringLiteral("faults")), r.key(QStringLiteral("faults")),
                         {QStringLiteral("silentCommands"), QStringLiteral("corruptCheckEvery"),
                          QStringLiteral("responseCode"), QStringLiteral("deviceStatus"),
                          QStringLiteral("configChangedAfter"), QStringLiteral("pvHighLimit"),
                          QStringLiteral("leaveAfter"), QStringLiteral("analogDriftMa"),
                          QStringLiteral("fixedCurrentMa"), QStringLiteral("moreStatus")});
    if (o.has(QStringLiteral("silentCommands"))) {
        const QString key = o.key(QStringLiteral("silentCommands"));
        const QJsonArray list = arrayOf(o.value(QStringLiteral("silentCommands")), key);
        for (int i = 0; i < list.size(); ++i) {
            const QJsonValue v = list.at(i);
            const double d = v.toDouble(-1);
            if (!v.isDouble() || d < 0 || d > 255 || std::floor(d) != d)
                fail(element(key, i), QStringLiteral("must be a command number 0 to 255"));
            f.silentCommands.insert(static_cast<int>(d));
        }
    }
    f.corruptCheckEvery = o.integer(QStringLiteral("corruptCheckEvery"), 0, 1000000, 0);
    f.responseCode = static_cast<quint8>(o.integer(QStringLiteral("responseCode"), 0, 255, 0));
    f.deviceStatus = static_cast<quint8>(o.integer(QStringLiteral("deviceStatus"), 0, 255, 0));
    f.configChangedAfter = o.integer(QStringLiteral("configChangedAfter"), 0, 1000000, 0);
    f.leaveAfter = o.integer(QStringLiteral("leaveAfter"), 0, 1000000, 0);
    if (o.has(QStringLiteral("analogDriftMa")))
        f.analogDriftMa = o.number(QStringLiteral("analogDriftMa"));
    if (o.has(QStringLiteral("fixedCurrentMa")))
        f.fixedCurrentMa = o.number(QStringLiteral("fixedCurrentMa"));
    if (o.has(QStringLiteral("moreStatus"))) {
        const QJsonValue more = o.value(QStringLiteral("moreStatus"));
        if (!more.isBool())
            fail(o.key(QStringLiteral("moreStatus")), QStringLiteral("must be true or false"));
        f.moreStatus = more.toBool();
    }
    if (o.has(QStringLiteral("pvHighLimit"))) {
        const QJsonValue limit = o.value(QStringLiteral("pvHighLimit"));
        if (!limit.isDouble())
            fail(o.key(QStringLiteral("pvHighLimit")), QStringLiteral("must be a number"));
        f.pvHighLimit = limit.toDouble();
    }
    return f;
}

QDate date(const ObjectReader& r, QDate fallback) {
    if (!r.has(QStringLiteral("date")))
        return fallback;
    const QDate d = QDate::fromString(r.string(QStringLiteral("date")), Qt::ISODate);
    if (!d.isValid() || d.year() < 1900 || d.year() > 2155)
        fail(r.key(QStringLiteral("date")),
             QStringLiteral("must be a date YYYY-MM-DD in the years 1900 to 2155"));
    return d;
}

DetailsConfig details(const ObjectReader& r, int hartRevision) {
    DetailsConfig d;
    if (!r.has(QStringLiteral("details")))
        return d;
    const ObjectReader o(r.value(QStringLiteral("details")), r.key(QStringLiteral("details")),
                         {QStringLiteral("alarmSelection"), QStringLiteral("transferFunction"),
                          QStringLiteral("damping"), QStringLiteral("writeProtect"),
                          QStringLiteral("loopCurrentMode"), QStringLiteral("sensorSerial"),
                          QStringLiteral("sensorUpper"), QStringLiteral("sensorLower"),
                          QStringLiteral("minimumSpan"), QStringLiteral("message"),
                          QStringLiteral("finalAssembly"), QStringLiteral("longTag"),
                          QStringLiteral("classifications"), QStringLiteral("variableStatus"),
                          QStringLiteral("additionalStatus")});
    d.alarmSelection = o.integer(QStringLiteral("alarmSelection"), 0, 255, d.alarmSelection);
    d.transferFunction = o.integer(QStringLiteral("transferFunction"), 0, 255, d.transferFunction);
    if (o.has(QStringLiteral("damping")))
        d.damping = o.number(QStringLiteral("damping"));
    d.writeProtect = o.integer(QStringLiteral("writeProtect"), 0, 255, d.writeProtect);
    d.loopCurrentMode = o.integer(QStringLiteral("loopCurrentMode"), 0, 1, d.loopCurrentMode);
    d.sensorSerial = quint32(o.integer(QStringLiteral("sensorSerial"), 0, 0xFFFFFF, 0));
    for (const auto& [key, target] :
         {std::pair{"sensorUpper", &d.sensorUpper}, std::pair{"sensorLower", &d.sensorLower},
          std::pair{"minimumSpan", &d.minimumSpan}})
        if (o.has(QLatin1String(key)))
            *target = o.number(QLatin1String(key));
    d.message = packedText(o, QStringLiteral("message"), 32);
    d.finalAssembly = quint32(o.integer(QStringLiteral("finalAssembly"), 0, 0xFFFFFF, 0));
    if (o.has(QStringLiteral("longTag"))) {
        if (hartRevision < 7)
            fail(o.key(QStringLiteral("longTag")), QStringLiteral("is read from HART 7 only"));
        d.longTag = o.string(QStringLiteral("longTag"));
        if (d.longTag.size() > 32 || d.longTag.toLatin1() != d.longTag.toUtf8())
            fail(o.key(QStringLiteral("longTag")), QStringLiteral("at most 32 ASCII characters"));
    }
    if (o.has(QStringLiteral("classifications"))) {
        const QString key = o.key(QStringLiteral("classifications"));
        const QJsonArray list = arrayOf(o.value(QStringLiteral("classifications")), key);
        if (list.size() != 4)
            fail(key, QStringLiteral("must hold four codes: PV, SV, TV, QV"));
        for (int k = 0; k < 4; ++k) {
            const double code = list.at(k).toDouble(-1);
            if (code < 0 || code > 255 || code != std::floor(code))
                fail(element(key, k), QStringLiteral("must be a code 0 to 255"));
            d.classifications[size_t(k)] = quint8(code);
        }
    }
    d.variableStatus = quint8(o.integer(QStringLiteral("variableStatus"), 0, 255, 0xC0));
    if (o.has(QStringLiteral("additionalStatus"))) {
        const QString text = o.string(QStringLiteral("additionalStatus"));
        const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
        if (bytes.size() < 6 || bytes.size() > 25 || bytes.toHex() != text.toLower().toLatin1())
            fail(o.key(QStringLiteral("additionalStatus")),
                 QStringLiteral("must be 6 to 25 bytes in hex digits"));
        d.additionalStatus = bytes;
    }
    return d;
}

InstrumentConfig instrument(const QJsonValue& value, const QString& path) {
    const ObjectReader r(value, path,
                         {QStringLiteral("address"),
                          QStringLiteral("hartRevision"),
                          QStringLiteral("manufacturer"),
                          QStringLiteral("deviceType"),
                          QStringLiteral("deviceId"),
                          QStringLiteral("preambles"),
                          QStringLiteral("deviceRevision"),
                          QStringLiteral("softwareRevision"),
                          QStringLiteral("hardwareRevision"),
                          QStringLiteral("physicalSignaling"),
                          QStringLiteral("flags"),
                          QStringLiteral("configChangeCounter"),
                          QStringLiteral("tag"),
                          QStringLiteral("descriptor"),
                          QStringLiteral("date"),
                          QStringLiteral("range"),
                          QStringLiteral("variables"),
                          QStringLiteral("details"),
                          QStringLiteral("faults"),
                          QStringLiteral("burst"),
                          QStringLiteral("turnaroundMs")});
    InstrumentConfig c;
    for (const char* key : {"address", "hartRevision", "manufacturer", "deviceType"})
        r.require(QLatin1String(key));
    c.address = r.integer(QStringLiteral("address"), 0, 15);
    const QJsonValue revision = r.value(QStringLiteral("hartRevision"));
    c.hartRevision = revision.toInt(0);
    if (!revision.isDouble() || revision.toDouble() != c.hartRevision ||
        (c.hartRevision != 5 && c.hartRevision != 7))
        fail(r.key(QStringLiteral("hartRevision")), QStringLiteral("must be 5 or 7"));
    c.manufacturer = static_cast<quint8>(r.integer(QStringLiteral("manufacturer"), 0, 255));
    c.deviceType = static_cast<quint8>(r.integer(QStringLiteral("deviceType"), 0, 255));
    c.deviceId = deviceId(r);
    c.preambles = r.integer(QStringLiteral("preambles"), 2, 20, c.preambles);
    c.deviceRevision =
        static_cast<quint8>(r.integer(QStringLiteral("deviceRevision"), 0, 255, c.deviceRevision));
    c.softwareRevision = static_cast<quint8>(
        r.integer(QStringLiteral("softwareRevision"), 0, 255, c.softwareRevision));
    // HART 7 keeps the physical signalling code in the low three bits of the byte.
    const int highestHardwareRevision = c.hartRevision >= 7 ? 31 : 255;
    c.hardwareRevision = static_cast<quint8>(r.integer(
        QStringLiteral("hardwareRevision"), 0, highestHardwareRevision, c.hardwareRevision));
    if (c.hartRevision >= 7)
        c.physicalSignaling = static_cast<quint8>(
            r.integer(QStringLiteral("physicalSignaling"), 0, 7, c.physicalSignaling));
    else if (r.has(QStringLiteral("physicalSignaling")))
        fail(r.key(QStringLiteral("physicalSignaling")),
             QStringLiteral("is sent by HART 7 instruments only"));
    c.flags = static_cast<quint8>(r.integer(QStringLiteral("flags"), 0, 255, c.flags));
    c.configChangeCounter = static_cast<quint16>(
        r.integer(QStringLiteral("configChangeCounter"), 0, 65535, c.configChangeCounter));
    c.tag = packedText(r, QStringLiteral("tag"), 8);
    c.descriptor = packedText(r, QStringLiteral("descriptor"), 16);
    c.date = date(r, c.date);
    if (r.has(QStringLiteral("range"))) {
        const ObjectReader range(r.value(QStringLiteral("range")), r.key(QStringLiteral("range")),
                                 {QStringLiteral("lower"), QStringLiteral("upper")});
        range.require(QStringLiteral("lower"));
        range.require(QStringLiteral("upper"));
        c.rangeLower = range.number(QStringLiteral("lower"));
        c.rangeUpper = range.number(QStringLiteral("upper"));
        if (c.rangeUpper == c.rangeLower)
            fail(range.key(QStringLiteral("upper")), QStringLiteral("must differ from lower"));
    }
    c.variables = variables(r);
    c.details = details(r, c.hartRevision);
    c.faults = faults(r);
    if (r.has(QStringLiteral("burst"))) {
        const ObjectReader burst(
            r.value(QStringLiteral("burst")), r.key(QStringLiteral("burst")),
            {QStringLiteral("command"), QStringLiteral("periodMs"), QStringLiteral("variables")});
        BurstConfig b;
        b.command = burst.integer(QStringLiteral("command"), 0, 255, b.command);
        b.periodMs = burst.integer(QStringLiteral("periodMs"), 100, 60000, b.periodMs);
        if (burst.has(QStringLiteral("variables"))) {
            const QString key = burst.key(QStringLiteral("variables"));
            const QJsonArray list = arrayOf(burst.value(QStringLiteral("variables")), key);
            if (list.isEmpty() || list.size() > 8)
                fail(key, QStringLiteral("must hold 1 to 8 device variable codes"));
            b.variables.clear();
            for (int k = 0; k < list.size(); ++k) {
                const double code = list.at(k).toDouble(-1);
                if (code < 0 || code > 255 || code != std::floor(code))
                    fail(element(key, k), QStringLiteral("must be a code 0 to 255"));
                b.variables << quint8(code);
            }
        }
        c.burst = b;
    }
    // Up to the slave time-out a master waits for an answer: 28 characters.
    c.turnaroundMs = r.integer(QStringLiteral("turnaroundMs"), 0, 256, c.turnaroundMs);
    return c;
}

// A number or an array of numbers, each `low` to `high`: one or more.
std::vector<int> oneOrMore(const ObjectReader& r, const QString& one, const QString& many, int low,
                           int high, int otherwise) {
    if (r.has(one) && r.has(many))
        fail(r.key(many), QStringLiteral("not with %1").arg(one));
    if (!r.has(many))
        return {r.integer(one, low, high, otherwise)};
    const QString key = r.key(many);
    const QJsonArray list = arrayOf(r.value(many), key);
    if (list.isEmpty())
        fail(key, QStringLiteral("must hold at least one"));
    std::vector<int> values;
    for (int k = 0; k < list.size(); ++k) {
        const double value = list.at(k).toDouble(-1);
        if (value < low || value > high || value != std::floor(value))
            fail(element(key, k), QStringLiteral("must be %1 to %2").arg(low).arg(high));
        values.push_back(int(value));
    }
    return values;
}

OtherMasterConfig otherMaster(const QJsonValue& value, const QString& path,
                              const LoopConfig& loop) {
    const ObjectReader r(value, path,
                         {QStringLiteral("role"), QStringLiteral("address"),
                          QStringLiteral("addresses"), QStringLiteral("command"),
                          QStringLiteral("commands"), QStringLiteral("periodMs")});
    OtherMasterConfig m;
    const QJsonValue roleValue = r.value(QStringLiteral("role"));
    const QString role = roleValue.isUndefined() ? QStringLiteral("primary") : roleValue.toString();
    if (role != QLatin1String("primary") && role != QLatin1String("secondary"))
        fail(r.key(QStringLiteral("role")), QStringLiteral("must be primary or secondary"));
    m.primary = role == QLatin1String("primary");
    m.addresses = oneOrMore(r, QStringLiteral("address"), QStringLiteral("addresses"), 0, 15, 1);
    m.commands = oneOrMore(r, QStringLiteral("command"), QStringLiteral("commands"), 0, 255, 3);
    m.periodMs = r.integer(QStringLiteral("periodMs"), 100, 60000, m.periodMs);
    for (const int address : m.addresses) {
        const bool known =
            std::any_of(loop.begin(), loop.end(),
                        [address](const InstrumentConfig& c) { return c.address == address; });
        if (!known)
            fail(r.key(r.has(QStringLiteral("addresses")) ? QStringLiteral("addresses")
                                                          : QStringLiteral("address")),
                 QStringLiteral("no instrument at %1").arg(address));
    }
    return m;
}

void checkUnique(const LoopConfig& loop, const QString& key) {
    for (size_t i = 0; i < loop.size(); ++i) {
        for (size_t k = 0; k < i; ++k) {
            const QString path = element(key, static_cast<int>(i));
            const QString other = element(key, static_cast<int>(k));
            if (loop[i].address == loop[k].address)
                fail(member(path, QStringLiteral("address")),
                     QStringLiteral("%1 is already used by %2").arg(loop[i].address).arg(other));
            if ((loop[i].manufacturer & protocol::kAddressBits) ==
                    (loop[k].manufacturer & protocol::kAddressBits) &&
                loop[i].deviceType == loop[k].deviceType && loop[i].deviceId == loop[k].deviceId)
                fail(member(path, QStringLiteral("deviceId")),
                     QStringLiteral("same long address as %1").arg(other));
        }
    }
}

} // namespace

ConfigResult parseConfig(const QByteArray& json) {
    ConfigResult result;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("not valid JSON at offset %1: %2")
                           .arg(parseError.offset)
                           .arg(parseError.errorString());
        return result;
    }
    try {
        const ObjectReader top(doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(), QString(),
                               {QStringLiteral("instruments"), QStringLiteral("otherMaster")});
        top.require(QStringLiteral("instruments"));
        const QString key = top.key(QStringLiteral("instruments"));
        const QJsonArray list = arrayOf(top.value(QStringLiteral("instruments")), key);
        if (list.isEmpty() || list.size() > kMaxInstruments)
            fail(key, QStringLiteral("must hold 1 to %1 instruments").arg(kMaxInstruments));
        for (int i = 0; i < list.size(); ++i)
            result.loop.push_back(instrument(list.at(i), element(key, i)));
        checkUnique(result.loop, key);
        if (top.has(QStringLiteral("otherMaster")))
            result.otherMaster = otherMaster(top.value(QStringLiteral("otherMaster")),
                                             top.key(QStringLiteral("otherMaster")), result.loop);
    } catch (const ConfigError& e) {
        result.loop.clear();
        result.otherMaster.reset();
        result.error = e.key + QStringLiteral(": ") + e.problem;
        return result;
    }
    result.ok = true;
    return result;
}

ConfigResult loadConfigFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ConfigResult result;
        result.error = path + QStringLiteral(": ") + file.errorString();
        return result;
    }
    ConfigResult result = parseConfig(file.readAll());
    if (!result.ok && result.error.startsWith(QLatin1String("not valid JSON")))
        result.error = path + QStringLiteral(": ") + result.error;
    return result;
}

} // namespace sim
