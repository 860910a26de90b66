#include "sim/config_loader.h"

#include <QtTest>

namespace {

// One instrument with every required key; `extra` is spliced in as further keys.
QByteArray instrument(const char* extra = "") {
    return QByteArray(R"({"address": 3, "hartRevision": 7, "manufacturer": 200, )"
                      R"("deviceType": 9, "deviceId": "A1B2C3")") +
           extra + "}";
}

QByteArray loopOf(const QByteArray& instruments) {
    return R"({"instruments": [)" + instruments + "]}";
}

} // namespace

class SimConfigTest : public QObject {
    Q_OBJECT

private slots:
    void errorsNameTheKey_data();
    void errorsNameTheKey();
    void fullInstrumentIsRead();
    void defaultsFillOptionalKeys();
    void exampleFileLoads();
    void missingFileIsNamed();
};

void SimConfigTest::errorsNameTheKey_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    const QByteArray good = instrument();
    QTest::newRow("address too high")
        << loopOf(good + R"(, {"address": 16, "hartRevision": 5, "manufacturer": 1,
                   "deviceType": 1, "deviceId": "000001"})")
        << "instruments[1].address: must be 0 to 15";
    QTest::newRow("address not whole") << loopOf(instrument().replace("3,", "2.5,"))
                                       << "instruments[0].address: must be a whole number 0 to 15";
    QTest::newRow("address missing") << loopOf(instrument().replace(R"("address": 3, )", ""))
                                     << "instruments[0].address: missing";
    QTest::newRow("unknown key") << loopOf(instrument(R"(, "adress": 3)"))
                                 << "instruments[0].adress: unknown key";
    QTest::newRow("unknown top-level key")
        << QByteArray(R"({"instruments": [], "speed": 1})") << "speed: unknown key";
    QTest::newRow("no instruments") << loopOf("") << "instruments: must hold 1 to 16 instruments";
    QTest::newRow("revision 6") << loopOf(instrument().replace("\"hartRevision\": 7",
                                                               "\"hartRevision\": 6"))
                                << "instruments[0].hartRevision: must be 5 or 7";
    QTest::newRow("manufacturer above a byte") << loopOf(instrument().replace("200", "256"))
                                               << "instruments[0].manufacturer: must be 0 to 255";
    QTest::newRow("device id short") << loopOf(instrument().replace("A1B2C3", "A1B2C"))
                                     << "instruments[0].deviceId: must be six hex digits";
    QTest::newRow("tag too long") << loopOf(instrument(R"(, "tag": "TOO-LONG-TAG")"))
                                  << "instruments[0].tag: at most 8 characters";
    QTest::newRow("descriptor not packable") << loopOf(instrument(R"(, "descriptor": "a{b}")"))
                                             << "instruments[0].descriptor: only letters, digits, "
                                                "blanks and the marks of ASCII 32 to 95";
    QTest::newRow("date invalid") << loopOf(instrument(R"(, "date": "2021-02-30")"))
                                  << "instruments[0].date: must be a date YYYY-MM-DD in the years "
                                     "1900 to 2155";
    QTest::newRow("five variables")
        << loopOf(instrument(R"(, "variables": [{"units":1,"value":1},{"units":1,"value":1},
                  {"units":1,"value":1},{"units":1,"value":1},{"units":1,"value":1}])"))
        << "instruments[0].variables: at most 4 variables";
    QTest::newRow("unknown waveform")
        << loopOf(instrument(R"(, "variables": [{"units": 1, "value": 2},
                  {"units": 1, "waveform": "square", "min": 0, "max": 1, "period": 5}])"))
        << R"(instruments[0].variables[1].waveform: must be "sine" or "ramp")";
    QTest::newRow("zero period")
        << loopOf(instrument(R"(, "variables": [{"units": 1, "waveform": "sine", "min": 0,
                  "max": 1, "period": 0}])"))
        << "instruments[0].variables[0].period: must be above 0 seconds";
    QTest::newRow("neither value nor waveform")
        << loopOf(instrument(R"(, "variables": [{"units": 1}])"))
        << "instruments[0].variables[0].value: give either value or waveform";
    QTest::newRow("equal range ends")
        << loopOf(instrument(R"(, "range": {"lower": 5, "upper": 5})"))
        << "instruments[0].range.upper: must differ from lower";
    QTest::newRow("unknown fault") << loopOf(instrument(R"(, "faults": {"dropEvery": 2})"))
                                   << "instruments[0].faults.dropEvery: unknown key";
    QTest::newRow("silent command out of range")
        << loopOf(instrument(R"(, "faults": {"silentCommands": [3, 300]})"))
        << "instruments[0].faults.silentCommands[1]: must be a command number 0 to 255";
    QTest::newRow("address used twice") << loopOf(good + ", " + instrument().replace("A1", "A2"))
                                        << "instruments[1].address: 3 is already used by "
                                           "instruments[0]";
    QTest::newRow("long address used twice")
        << loopOf(good + ", " +
                  instrument().replace("\"address\": 3", "\"address\": 4").replace("200", "8"))
        << "instruments[1].deviceId: same long address as instruments[0]";
    QTest::newRow("not JSON") << QByteArray("{\"instruments\": [") << "";
}

void SimConfigTest::errorsNameTheKey() {
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    const sim::ConfigResult result = sim::parseConfig(json);
    QVERIFY(!result.ok);
    QVERIFY(result.loop.empty());
    if (error.isEmpty())
        QVERIFY2(result.error.startsWith(QLatin1String("not valid JSON")),
                 qPrintable(result.error));
    else
        QCOMPARE(result.error, error);
}

void SimConfigTest::fullInstrumentIsRead() {
    const sim::ConfigResult result = sim::parseConfig(loopOf(instrument(
        R"(, "preambles": 7, "tag": "tt-1", "descriptor": "HEAT", "date": "1999-12-31",
        "range": {"lower": -20, "upper": 80},
        "variables": [{"units": 32, "waveform": "ramp", "min": 1, "max": 2, "period": 9,
                       "phase": 3}],
        "faults": {"silentCommands": [3], "corruptCheckEvery": 5, "responseCode": 32,
                   "deviceStatus": 16})")));
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.loop.size(), size_t(1));
    const sim::InstrumentConfig& c = result.loop.front();
    QCOMPARE(c.address, 3);
    QCOMPARE(c.hartRevision, 7);
    QCOMPARE(c.manufacturer, quint8(200));
    QCOMPARE(c.deviceId, (std::array<quint8, 3>{0xA1, 0xB2, 0xC3}));
    QCOMPARE(c.preambles, 7);
    QCOMPARE(c.tag, QStringLiteral("TT-1"));
    QCOMPARE(c.date, QDate(1999, 12, 31));
    QCOMPARE(c.rangeLower, -20.0);
    QCOMPARE(c.variables.size(), size_t(1));
    QCOMPARE(c.variables.front().wave.shape, sim::Waveform::Shape::Ramp);
    QCOMPARE(c.variables.front().wave.phase, 3.0);
    QVERIFY(c.faults.silentCommands.contains(3));
    QCOMPARE(c.faults.corruptCheckEvery, 5);
    QCOMPARE(c.faults.responseCode, quint8(32));
    QCOMPARE(c.faults.deviceStatus, quint8(16));
}

void SimConfigTest::defaultsFillOptionalKeys() {
    const sim::ConfigResult result = sim::parseConfig(loopOf(instrument()));
    QVERIFY2(result.ok, qPrintable(result.error));
    const sim::InstrumentConfig& c = result.loop.front();
    QCOMPARE(c.preambles, 5);
    QVERIFY(c.variables.empty());
    QVERIFY(c.faults.silentCommands.isEmpty());
    QCOMPARE(c.faults.corruptCheckEvery, 0);
}

void SimConfigTest::exampleFileLoads() {
    const sim::ConfigResult result = sim::loadConfigFile(QStringLiteral(SIM_EXAMPLE_CONFIG));
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.loop.size(), size_t(2));
}

void SimConfigTest::missingFileIsNamed() {
    const sim::ConfigResult result = sim::loadConfigFile(QStringLiteral("/nonexistent/loop.json"));
    QVERIFY(!result.ok);
    QVERIFY2(result.error.startsWith(QLatin1String("/nonexistent/loop.json: ")),
             qPrintable(result.error));
}

QTEST_APPLESS_MAIN(SimConfigTest)
#include "tst_sim_config.moc"
