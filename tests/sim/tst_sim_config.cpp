#include "sim/config_loader.h"

#include <QtTest>

namespace {

// One instrument with every required key; `extra` is spliced in as further keys.
QByteArray instrument(const QByteArray& extra = {}) {
    return R"({"address": 3, "hartRevision": 7, "manufacturer": 200, "deviceType": 9, )"
           R"("deviceId": "A1B2C3")" +
           extra + "}";
}

QByteArray loopOf(const QByteArray& instruments) {
    return R"({"instruments": [)" + instruments + "]}";
}

QByteArray with(const QByteArray& extra) {
    return loopOf(instrument(extra));
}

QByteArray replaced(const char* before, const char* after) {
    return loopOf(instrument().replace(before, after));
}

} // namespace

class SimConfigTest : public QObject {
    Q_OBJECT

private slots:
    void errorsNameTheKey_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const QByteArray first = instrument() + ", ";
        QTest::newRow("address missing")
            << replaced(R"("address": 3, )", "") << "instruments[0].address: missing";
        QTest::newRow("unknown key")
            << with(R"(, "adress": 3)") << "instruments[0].adress: unknown key";
        QTest::newRow("revision 6")
            << replaced(": 7", ": 6") << "instruments[0].hartRevision: must be 5 or 7";
        QTest::newRow("year 2156") << with(R"(, "date": "2156-01-01")")
                                   << "instruments[0].date: must be a date YYYY-MM-DD in the "
                                      "years 1900 to 2155";
        QTest::newRow("five variables")
            << with(", \"variables\": [" +
                    QByteArray(R"({"units": 1, "value": 1},)").repeated(5).chopped(1) + "]")
            << "instruments[0].variables: at most 4 variables";
        QTest::newRow("unknown waveform")
            << with(
                   R"(, "variables": [{"units": 1, "value": 2}, {"units": 1, "waveform": "square"}])")
            << R"(instruments[0].variables[1].waveform: must be "sine" or "ramp")";
        QTest::newRow("silent command 256") << with(R"(, "faults": {"silentCommands": [3, 256]})")
                                            << "instruments[0].faults.silentCommands[1]: must be "
                                               "a command number 0 to 255";
        QTest::newRow("HART 7 hardware revision 32")
            << with(R"(, "hardwareRevision": 32)")
            << "instruments[0].hardwareRevision: must be 0 to 31";
        QTest::newRow("signalling code on HART 5")
            << replaced(": 7", ": 5").replace("}]", R"(, "physicalSignaling": 1}])")
            << "instruments[0].physicalSignaling: is sent by HART 7 instruments only";
        QTest::newRow("address used twice")
            << loopOf(first + instrument().replace("A1", "A2"))
            << "instruments[1].address: 3 is already used by instruments[0]";
        // 200 and 8 differ only in the master and burst bits.
        QTest::newRow("long address used twice")
            << loopOf(first + instrument().replace("3,", "4,").replace("200", "8"))
            << "instruments[1].deviceId: same long address as instruments[0]";
        QTest::newRow("not JSON") << QByteArray("{\"instruments\": [") << "not valid JSON";
        QTest::newRow("burst too often") << with(R"(, "burst": {"periodMs": 50})")
                                         << "instruments[0].burst.periodMs: must be 100 to 60000";
        QTest::newRow("other master polls nobody")
            << QByteArray(R"({"otherMaster": {"address": 9}, "instruments": [)" + instrument() +
                          "]}")
            << "otherMaster.address: no instrument at 9";
        QTest::newRow("other master of no class")
            << QByteArray(
                   R"({"otherMaster": {"role": "tertiary", "address": 3}, "instruments": [)" +
                   instrument() + "]}")
            << "otherMaster.role: must be primary or secondary";
    }

    void errorsNameTheKey() {
        QFETCH(QByteArray, json);
        QFETCH(QString, error);
        const sim::ConfigResult result = sim::parseConfig(json);
        QVERIFY(!result.ok && result.loop.empty());
        // The JSON parser's own wording follows "not valid JSON".
        const bool parser = error == QLatin1String("not valid JSON");
        QCOMPARE(parser ? result.error.left(error.size()) : result.error, error);
    }

    void fullInstrumentIsRead() {
        const sim::ConfigResult result = sim::parseConfig(with(
            R"(, "preambles": 7, "tag": "tt-1", "date": "1999-12-31", "range": {"lower": -20,
            "upper": 80}, "variables": [{"units": 32, "waveform": "ramp", "min": 1, "max": 2,
            "period": 9, "phase": 3}], "faults": {"silentCommands": [3], "corruptCheckEvery": 5,
            "responseCode": 32, "deviceStatus": 16})"));
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY(result.loop.size() == 1 && result.loop.front().variables.size() == 1);
        const sim::InstrumentConfig& c = result.loop.front();
        const sim::VariableConfig& v = c.variables.front();
        QCOMPARE((QList<double>{double(c.address), double(c.hartRevision), double(c.manufacturer),
                                double(c.deviceType), double(c.deviceId[0]), double(c.deviceId[2]),
                                double(c.preambles), c.rangeLower, c.rangeUpper, double(v.units),
                                v.wave.min, v.wave.max, v.wave.period, v.wave.phase,
                                double(c.faults.corruptCheckEvery), double(c.faults.responseCode),
                                double(c.faults.deviceStatus)}),
                 (QList<double>{3, 7, 200, 9, 0xA1, 0xC3, 7, -20, 80, 32, 1, 2, 9, 3, 5, 32, 16}));
        QCOMPARE(v.wave.shape, sim::Waveform::Shape::Ramp);
        QCOMPARE(c.tag, QStringLiteral("TT-1"));
        QCOMPARE(c.date, QDate(1999, 12, 31));
        QCOMPARE(c.faults.silentCommands, QSet<int>{3});
    }

    void files() {
        const sim::ConfigResult example = sim::loadConfigFile(QStringLiteral(SIM_EXAMPLE_CONFIG));
        QVERIFY2(example.ok, qPrintable(example.error));
        QCOMPARE(example.loop.size(), size_t(2));
        const QString missing = sim::loadConfigFile(QStringLiteral("/nonexistent/l.json")).error;
        QVERIFY2(missing.startsWith(QLatin1String("/nonexistent/l.json: ")), qPrintable(missing));
    }
};

QTEST_APPLESS_MAIN(SimConfigTest)
#include "tst_sim_config.moc"
