#include "sim/default_loop.h"

namespace sim {

namespace {

// Units codes from the HART common tables.
constexpr quint8 kKilopascal = 12;
constexpr quint8 kCubicMetresPerHour = 19;
constexpr quint8 kDegreesCelsius = 32;
constexpr quint8 kOhm = 37;
constexpr quint8 kPercent = 57;

VariableConfig constant(quint8 units, double value) {
    VariableConfig v;
    v.units = units;
    v.wave.value = value;
    return v;
}

InstrumentConfig pressureTransmitter() {
    InstrumentConfig c;
    c.address = 1;
    c.hartRevision = 5;
    c.manufacturer = 0x3C;
    c.deviceType = 0x51;
    c.deviceId = {0x10, 0x20, 0x31};
    c.deviceRevision = 3;
    c.softwareRevision = 12;
    c.hardwareRevision = 2;
    c.tag = QStringLiteral("PT-101");
    c.descriptor = QStringLiteral("DISCHARGE PRESS");
    c.date = QDate(2019, 5, 14);
    c.rangeLower = 0.0;
    c.rangeUpper = 400.0;
    c.variables = {sine(kKilopascal, 238.0, 262.0, 120.0),
                   sine(kDegreesCelsius, 24.2, 25.8, 300.0, 40.0),
                   sine(kDegreesCelsius, 31.0, 33.0, 420.0, 100.0), constant(kPercent, 62.5)};
    c.details.damping = 0.4;
    c.details.sensorSerial = 4711;
    c.details.sensorUpper = 2000.0;
    c.details.sensorLower = -100.0;
    c.details.minimumSpan = 20.0;
    c.details.message = QStringLiteral("CALIBRATED 2026-03");
    c.details.finalAssembly = 305112;
    c.faults.configChangedAfter = 4; // someone reconfigured it during the second pass
    return c;
}

InstrumentConfig temperatureTransmitter() {
    InstrumentConfig c;
    c.address = 2;
    c.hartRevision = 7;
    c.manufacturer = 0xA4;
    c.deviceType = 0x3E;
    c.deviceId = {0x0B, 0x5C, 0x7E};
    c.deviceRevision = 2;
    c.softwareRevision = 5;
    c.hardwareRevision = 1;
    c.configChangeCounter = 17;
    c.tag = QStringLiteral("TT-202");
    c.descriptor = QStringLiteral("REACTOR INLET");
    c.date = QDate(2021, 11, 3);
    c.rangeLower = 0.0;
    c.rangeUpper = 150.0;
    c.variables = {sine(kDegreesCelsius, 84.0, 86.5, 180.0),
                   sine(kDegreesCelsius, 26.0, 27.0, 600.0, 150.0), sine(kOhm, 132.4, 133.3, 180.0),
                   constant(kDegreesCelsius, 30.5)};
    c.details.alarmSelection = 1;  // low
    c.details.loopCurrentMode = 0; // multidrop
    c.details.damping = 2.0;
    c.details.sensorSerial = 88201;
    c.details.sensorUpper = 600.0;
    c.details.sensorLower = -200.0;
    c.details.minimumSpan = 10.0;
    c.details.longTag = QStringLiteral("TT-202 reactor inlet temperature");
    c.details.classifications = {64, 64, 85, 64}; // temperature, resistance
    c.faults.pvHighLimit = 86.0; // its inlet runs a little hot at the top of each swing
    return c;
}

InstrumentConfig flowMeter() {
    InstrumentConfig c;
    c.address = 5;
    c.hartRevision = 7;
    c.manufacturer = 0x1F;
    c.deviceType = 0x92;
    c.deviceId = {0x00, 0x4D, 0x21};
    c.deviceRevision = 1;
    c.softwareRevision = 8;
    c.hardwareRevision = 3;
    c.configChangeCounter = 4;
    c.tag = QStringLiteral("FT-305");
    c.descriptor = QStringLiteral("COOLING WATER");
    c.date = QDate(2023, 2, 20);
    c.rangeLower = 0.0;
    c.rangeUpper = 100.0;
    c.variables = {sine(kCubicMetresPerHour, 40.0, 48.0, 90.0),
                   sine(kDegreesCelsius, 17.5, 18.5, 240.0, 60.0)};
    c.details.transferFunction = 1; // square root: flow from a differential pressure
    c.details.sensorSerial = 1202;
    c.details.sensorUpper = 120.0;
    c.details.minimumSpan = 5.0;
    c.details.longTag = QStringLiteral("FT-305 cooling water to E-12");
    c.details.classifications = {66, 64, 0, 0}; // volumetric flow, temperature
    c.details.loopCurrentMode = 0;              // multidrop
    return c;
}

} // namespace

VariableConfig sine(quint8 units, double min, double max, double period, double phase) {
    VariableConfig v;
    v.units = units;
    v.wave.shape = Waveform::Shape::Sine;
    v.wave.min = min;
    v.wave.max = max;
    v.wave.period = period;
    v.wave.phase = phase;
    return v;
}

LoopConfig defaultLoop() {
    return {pressureTransmitter(), temperatureTransmitter(), flowMeter()};
}

LoopConfig pointToPointLoop() {
    InstrumentConfig alone = flowMeter();
    alone.address = 0;
    alone.details.loopCurrentMode = 1;
    // Its analog output has drifted: the loop check on it disagrees.
    alone.faults.analogDriftMa = 0.35;
    return {alone};
}

} // namespace sim
