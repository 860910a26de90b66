// What the answers mean: frames taken apart, HART's tables against published values, the
// instruments and their bounded history, and answers explained field by field.

#include "field/answer_frame.h"
#include "field/burst_rate.h"
#include "field/details.h"
#include "field/field_model.h"
#include "field/frame_explanation.h"
#include "field/hart_tables.h"
#include "field/loop_check.h"
#include "helpers.h" // the golden answers
#include "protocol/hart_frame.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace field;
using ptest::hex;
using ptest::withCheck;

namespace {

const QByteArray kPreamble = hex("FF FF FF FF FF");

QString masks(const QList<StatusBit>& bits) {
    QStringList texts;
    for (const StatusBit& bit : bits)
        texts << QStringLiteral("%1 %2").arg(bit.mask, 2, 16, QLatin1Char('0')).arg(bit.english);
    return texts.join(", ");
}

} // namespace

class TestField : public QObject {
    Q_OBJECT
private slots:
    // Values from the HART common tables as published (units, status bits, response codes) and
    // from manufacturers' manuals (identification codes).
    void tablesHoldThePublishedValues() {
        const QList<std::pair<int, QString>> units = {
            {1, "inH2O (68 °F)"}, {6, "psi"},   {7, "bar"},    {8, "mbar"},
            {11, "Pa"},           {12, "kPa"},  {17, "l/min"}, {19, "m³/h"},
            {32, "°C"},           {33, "°F"},   {35, "K"},     {37, "Ω"},
            {39, "mA"},           {45, "m"},    {57, "%"},     {58, "V"},
            {61, "kg"},           {75, "kg/h"}, {92, "kg/m³"}, {237, "MPa"},
            {250, "not used"},    {251, "none"}};
        for (const auto& [code, symbol] : units)
            QCOMPARE(unitSymbol(code), symbol);
        QCOMPARE(unitSymbol(200), "unit code 200");
        // A Russian reader sees the metric units in Russian symbols (GOST 8.417); the
        // imperial ones keep theirs.
        const QList<std::pair<int, const char*>> russian = {
            {12, "кПа"}, {39, "мА"}, {75, "кг/ч"}, {19, "м³/ч"}, {32, "°C"},
            {35, "К"},   {37, "Ом"}, {237, "МПа"}, {6, "psi"},   {200, "код единицы 200"}};
        for (const auto& [code, symbol] : russian)
            QCOMPARE(unitSymbol(code, false), QString::fromUtf8(symbol));
        // Common table 10, and a manufacturer code the list does not hold said to be so.
        QCOMPARE(physicalSignalingText(0, true), "Bell 202 current");
        QCOMPARE(physicalSignalingText(6, true), "special (Ethernet, TCP/IP and others)");
        QCOMPARE(manufacturerText(0x00F9, 4, true), "00F9 (not in this program's list)");
        QCOMPARE(manufacturerText(0x26, 2, true), "26 Rosemount");
        int known = 0;
        for (int code = 0; code < 256; ++code)
            known += isKnownUnit(code);
        QVERIFY(known >= 40);

        QCOMPARE(masks(deviceStatusBits()),
                 "80 device malfunction, 40 configuration changed, 20 cold start, "
                 "10 more status available, 08 loop current fixed, 04 loop current saturated, "
                 "02 non-primary variable out of limits, 01 primary variable out of limits");
        QCOMPARE(masks(communicationErrorBits()),
                 "40 parity error, 20 overrun error, 10 framing error, 08 checksum error, "
                 "02 receive buffer overflow");
        QCOMPARE(responseCodeText(0, true), "success");
        QCOMPARE(responseCodeText(64, true), "command not implemented");
        QCOMPARE(responseCodeText(32, true), "busy");
        QCOMPARE(responseCodeText(99, false), QString::fromUtf8("код ответа 99"));
    }

    // The bits of the three status bytes as the HART tables publish them (the extended status as
    // common table 17 numbers it), each ranked as field tools rank it: what makes the value
    // untrustworthy is a fault, a variable beyond its limits a warning, news a notice.
    void statusBitsMeanAndWeighWhatIsPublished_data() {
        QTest::addColumn<int>("table"); // 0 device status, 1 communication error, 2 extended
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<int>("severity");
        const int fault = int(Severity::Fault), warning = int(Severity::Warning),
                  notice = int(Severity::Notice);
        QTest::newRow("device malfunction") << 0 << 0x80 << "device malfunction" << fault;
        QTest::newRow("configuration changed") << 0 << 0x40 << "configuration changed" << notice;
        QTest::newRow("cold start") << 0 << 0x20 << "cold start" << notice;
        QTest::newRow("more status") << 0 << 0x10 << "more status available" << notice;
        QTest::newRow("current fixed") << 0 << 0x08 << "loop current fixed" << fault;
        QTest::newRow("current saturated") << 0 << 0x04 << "loop current saturated" << fault;
        QTest::newRow("SV out of limits")
            << 0 << 0x02 << "non-primary variable out of limits" << warning;
        QTest::newRow("PV out of limits")
            << 0 << 0x01 << "primary variable out of limits" << warning;
        QTest::newRow("parity") << 1 << 0x40 << "parity error" << fault;
        QTest::newRow("overrun") << 1 << 0x20 << "overrun error" << fault;
        QTest::newRow("framing") << 1 << 0x10 << "framing error" << fault;
        QTest::newRow("checksum") << 1 << 0x08 << "checksum error" << fault;
        QTest::newRow("buffer overflow") << 1 << 0x02 << "receive buffer overflow" << fault;
        QTest::newRow("maintenance") << 2 << 0x01 << "maintenance required" << notice;
        QTest::newRow("variable alert") << 2 << 0x02 << "device variable alert" << warning;
        QTest::newRow("power") << 2 << 0x04 << "critical power failure" << fault;
        QTest::newRow("failure") << 2 << 0x08 << "failure" << fault;
        QTest::newRow("outside rated conditions")
            << 2 << 0x10 << "operating outside its rated conditions" << warning;
        QTest::newRow("function check") << 2 << 0x20 << "function check" << warning;
    }
    void statusBitsMeanAndWeighWhatIsPublished() {
        QFETCH(int, table);
        QFETCH(int, mask);
        QFETCH(QString, meaning);
        QFETCH(int, severity);
        const QList<StatusBit> bits = table == 0   ? deviceStatusBits()
                                      : table == 1 ? communicationErrorBits()
                                                   : extendedStatusBits();
        QList<StatusBit> found;
        for (const StatusBit& bit : bits)
            if (bit.mask == mask)
                found << bit;
        QCOMPARE(found.size(), 1);
        QCOMPARE(QString::fromUtf8(found[0].english), meaning);
        QCOMPARE(int(found[0].severity), severity);
        QVERIFY(!QString::fromUtf8(found[0].russian).isEmpty());
    }

    // A sample of the published manufacturer identification codes, among them codes confirmed
    // by the makers' own manuals (Krohne 69, FCI 166), and codes nobody holds.
    void manufacturerNamesAsPublished_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("first") << 0x01 << "Acromag";
        QTest::newRow("Endress & Hauser") << 0x11 << "Endress & Hauser";
        QTest::newRow("Fisher Controls") << 0x13 << "Fisher Controls";
        QTest::newRow("Honeywell") << 0x17 << "Honeywell";
        QTest::newRow("Micro Motion") << 0x1F << "Micro Motion";
        QTest::newRow("Rosemount") << 0x26 << "Rosemount";
        QTest::newRow("Siemens") << 0x2A << "Siemens";
        QTest::newRow("Yokogawa") << 0x37 << "Yokogawa";
        QTest::newRow("Smar") << 0x3E << "Smar";
        QTest::newRow("Samson") << 0x42 << "Samson";
        QTest::newRow("Krohne") << 69 << "Krohne";
        QTest::newRow("VEGA") << 0x62 << "VEGA";
        QTest::newRow("WIKA") << 0x6B << "WIKA";
        QTest::newRow("Metran") << 0x99 << "Metran";
        QTest::newRow("FCI, the last") << 166 << "Fluid Components Intl";
        QTest::newRow("none at 0") << 0x00 << "";
        QTest::newRow("none after the last") << 0xA7 << "";
        QTest::newRow("not used") << 0xFA << "";
    }
    void manufacturerNamesAsPublished() {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(manufacturerName(code), name);
    }
    void everyAssignedManufacturerCodeHasAName() {
        for (int code = 0x01; code <= 0xA6; ++code)
            QVERIFY2(!manufacturerName(code).isEmpty(), qPrintable(QString::number(code, 16)));
    }

    void identityOfHart5AndHart7() {
        const std::optional<Identity> five =
            identityFrom(protocol::HartFrame::parse(ptest::kAnswer0Hart5));
        QVERIFY(five);
        QCOMPARE((QList<int>{five->hartRevision, five->manufacturer, five->deviceType,
                             five->requestPreambles, five->deviceRevision, five->softwareRevision,
                             five->hardwareRevision, int(five->deviceId)}),
                 (QList<int>{5, 0x26, 0x06, 5, 9, 3, 100, 0x123456}));
        QVERIFY(!five->expandedDeviceType && !five->configChangeCounter);
        QCOMPARE(five->longAddress, hex("26 06 12 34 56"));

        const std::optional<Identity> seven =
            identityFrom(protocol::HartFrame::parse(kPreamble + ptest::kAnswer0Hart7));
        QVERIFY(seven);
        QVERIFY(seven->expandedDeviceType);
        QCOMPARE((QList<int>{seven->hartRevision, seven->deviceType, seven->hardwareRevision,
                             *seven->physicalSignaling, *seven->responsePreambles,
                             *seven->maxDeviceVariables, *seven->configChangeCounter,
                             *seven->extendedStatus, seven->manufacturer, *seven->privateLabel,
                             *seven->deviceProfile}),
                 (QList<int>{7, 0x2606, 12, 4, 5, 1, 0, 0, 0x99, 0x99, 0}));
        // Master and burst bits stay out of the long address, each on its own and together.
        for (const int first : {0xA6, 0x66, 0xE6}) {
            QByteArray flagged = ptest::kAnswer0Hart5.chopped(1);
            flagged[7] = char(first);
            QCOMPARE(identityFrom(protocol::HartFrame::parse(withCheck(flagged)))->longAddress,
                     hex("26 06 12 34 56"));
        }
    }

    void plainNumbers_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("a hundred thousand") << 100000.0f << "100000";
        QTest::newRow("ten to the twenty") << 1e20f << "100000000000000000000";
        QTest::newRow("small") << 0.000125f << "0.000125";
        QTest::newRow("negative whole") << -10.0f << "-10";
        QTest::newRow("negative small") << -0.5f << "-0.5";
        QTest::newRow("zero") << 0.0f << "0";
        QTest::newRow("digits on both sides") << 12.5f << "12.5";
        QTest::newRow("the digits a float carries") << 1.23456f << "1.23456";
        QTest::newRow("one third") << 1.0f / 3.0f << "0.33333334";
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << "nan";
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << "inf";
    }
    void plainNumbers() {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(plainText(value), text);
        if (!std::isnan(value))
            QCOMPARE(text.toFloat(), value); // reads back as the same float
    }

    void frameParts_data() {
        QTest::addColumn<QByteArray>("asRead");
        QTest::addColumn<QString>(
            "parts"); // preamble delimiter address command bc rc status data check ok complete
        QTest::newRow("command 3")
            << kPreamble + ptest::kAnswer3 << "5 86 A6061234 3 26 0 0 24 20 1 1";
        QTest::newRow("check wrong") << ptest::kAnswer3.chopped(1) + "\x21"
                                     << "0 86 A6061234 3 26 0 0 24 21 0 1";
        QTest::newRow("cut short") << ptest::kAnswer3.left(14) << "0 86 A6061234 3 26 0 0 4 -1 0 0";
        QTest::newRow("preamble only") << hex("FF FF") << "2 -1  -1 -1 -1 -1 0 -1 0 0";
        // The byte count decides what the bytes after it are: none or one response byte, and
        // the check byte where the count ends.
        QTest::newRow("byte count 0")
            << withCheck(hex("06 81 00 00")) << "0 6 81 0 0 -1 -1 0 87 1 1";
        QTest::newRow("byte count 1")
            << withCheck(hex("06 81 00 01 40")) << "0 6 81 0 1 64 -1 0 c6 1 1";
    }
    void frameParts() {
        QFETCH(QByteArray, asRead);
        QFETCH(QString, parts);
        const AnswerFrame f = protocol::HartFrame::parse(asRead);
        const QString shown =
            QStringList{QString::number(f.preambleLength),
                        f.delimiter < 0 ? "-1" : QString::number(f.delimiter, 16).toUpper(),
                        QString(f.address.left(4).toHex().toUpper()),
                        QString::number(f.command),
                        QString::number(f.byteCount),
                        QString::number(f.responseCode),
                        QString::number(f.deviceStatus),
                        QString::number(f.data.size()),
                        f.checkByte < 0 ? "-1" : QString::number(f.checkByte, 16),
                        QString::number(f.checkMatches),
                        QString::number(f.complete)}
                .join(' ');
        QCOMPARE(shown, parts);
    }

    void variablesAndTag() {
        const std::optional<DynamicVariables> v =
            dynamicVariablesFrom(protocol::HartFrame::parse(ptest::kAnswer3));
        QVERIFY(v);
        QCOMPARE(v->loopCurrent, 12.5f);
        QCOMPARE(v->values[0]->unitCode, 12);
        QCOMPARE(v->values[0]->value, 1.23456f);
        QCOMPARE(v->values[1]->value, 23.5f);
        QVERIFY(std::isnan(v->values[3]->value));
        // Loop current and two variables only: the rest are not there at all.
        QByteArray two = ptest::kAnswer3.left(8 + 16);
        two[7] = char(16);
        const std::optional<DynamicVariables> partial =
            dynamicVariablesFrom(protocol::HartFrame::parse(withCheck(two)));
        QVERIFY(partial && partial->values[1] && !partial->values[2] && !partial->values[3]);

        const std::optional<TagRecord> tag =
            tagRecordFrom(protocol::HartFrame::parse(ptest::kAnswer13));
        QVERIFY(tag);
        QCOMPARE(tag->tag, "PT-101  ");
        QCOMPARE(tag->descriptor, "TEST DEVICE     ");
        QCOMPARE(tag->date, QDate(2009, 3, 5));
        QVERIFY(!tagRecordFrom(protocol::HartFrame::parse(ptest::kAnswer3)));
    }

    // What instruments in burst mode publish, read as the published layouts have it: the
    // loop current and the dynamic variables a frame carries, nothing it does not.
    void publishedValues_data() {
        QTest::addColumn<QByteArray>("frame"); // delimiter to data; the check byte is added
        QTest::addColumn<QString>("values");   // loop current|PV|SV|TV|QV, "-" where not carried
        QTest::newRow("1: the PV")
            << hex("86 A6 06 12 34 56 01 07 00 00 0C 3F 9E 06 10") << "-|12:1.23456|-|-|-";
        QTest::newRow("2: the loop current, not the percent")
            << hex("86 A6 06 12 34 56 02 0A 00 00 41 48 00 00 42 48 00 00") << "12.5|-|-|-|-";
        // Slots naming the loop current (245), the PV (246) and the QV (249); the percent of
        // range (244) and device variable 0 are none of the dynamic variables.
        QTest::newRow("9: slots by code")
            << hex("86 A6 06 12 34 56 09 27 00 00 00 F5 00 27 41 48 00 00 C0 "
                   "F6 00 0C 42 C8 00 00 C0 F4 00 39 42 48 00 00 C0 F9 00 20 41 BC 00 00 C0 "
                   "00 00 00 00")
            << "12.5|12:100|-|-|32:23.5";
        QTest::newRow("33: slots by code")
            << hex("86 A6 06 12 34 56 21 0E 00 00 F7 20 41 BC 00 00 01 0C 3F 9E 06 10")
            << "-|-|32:23.5|-|-";
        QTest::newRow("33: only device variables") // nothing this program shows
            << hex("86 A6 06 12 34 56 21 08 00 00 00 0C 3F 9E 06 10") << "";
        QTest::newRow("9: a slot cut short")
            << hex("86 A6 06 12 34 56 09 0C 00 00 00 F6 00 0C 42 C8 00 00 C0 F7 00")
            << "-|12:100|-|-|-";
        QTest::newRow("48: no values")
            << hex("86 A6 06 12 34 56 30 08 00 00 00 00 00 00 00 00") << "";
    }
    void publishedValues() {
        QFETCH(QByteArray, frame);
        QFETCH(QString, values);
        const std::optional<DynamicVariables> v =
            dynamicVariablesFrom(protocol::HartFrame::parse(kPreamble + withCheck(frame)));
        QString said;
        if (v) {
            QStringList parts{v->loopCurrent ? shortestText(*v->loopCurrent) : "-"};
            for (const auto& variable : v->values)
                parts << (variable ? QStringLiteral("%1:%2")
                                         .arg(variable->unitCode)
                                         .arg(shortestText(variable->value))
                                   : "-");
            said = parts.join('|');
        }
        QCOMPARE(said, values);
    }

    // An instrument in burst mode: what it publishes updates its values without losing what
    // it did not publish; the recording gets what the frame carried alone; how often it
    // publishes is the typical interval, not one the line delayed; a status frame is a detail.
    void publishedFramesUpdateTheInstrument() {
        QDateTime now(QDate(2026, 12, 8), QTime(10, 0));
        FieldModel model([&now] { return now; });
        int measurements = 0;
        connect(&model, &FieldModel::measurement, this, [&] { ++measurements; });
        model.takeAnswer(protocol::ReadAnswer::of(0, 1, true, kPreamble + ptest::kAnswer0Hart5));
        model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, ptest::kAnswer3));
        const auto published = [](const QByteArray& frame) {
            const QByteArray bytes = kPreamble + withCheck(frame);
            return protocol::ReadAnswer::of(protocol::HartFrame::parse(bytes).command, 1, true,
                                            bytes, protocol::ReadAnswer::Origin::Published);
        };
        const QByteArray pvOf100 = hex("81 A6 06 12 34 56 01 07 00 00 0C 42 C8 00 00");
        for (const int afterMs : {0, 500, 500, 900, 500, 500}) { // one frame held up
            now = now.addMSecs(afterMs);
            model.takeAnswer(published(pvOf100));
        }
        const Instrument& one = model.instrument(1);
        QCOMPARE(measurements, 7);
        QCOMPARE(one.variables->values[0]->value, 100.0f);
        QCOMPARE(one.variables->values[1]->value, 23.5f); // from command 3, still known
        QCOMPARE(*one.variables->loopCurrent, 12.5f);
        QVERIFY(!one.lastMeasured->loopCurrent && !one.lastMeasured->values[1]);
        QCOMPARE(one.lastCurrentAndPv->values[0]->value, 1.23456f); // the command-3 pair
        QVERIFY(std::isnan(one.history.samples().back().loopCurrent));
        QVERIFY(one.lastPublished());
        QCOMPARE(one.bursts.at(1).periodMs(), std::optional<qint64>(500));
        QVERIFY(one.bursts.at(1).current(now.addSecs(3).toMSecsSinceEpoch()));
        QVERIFY(!one.bursts.at(1).current(now.addSecs(4).toMSecsSinceEpoch()));
        // Additional status: a detail, not values. A command nobody publishes is left alone.
        model.takeAnswer(published(hex("81 A6 06 12 34 56 30 08 00 10 01 00 00 00 00 00")));
        model.takeAnswer(published(hex("81 A6 06 12 34 56 0D 02 00 00")));
        QCOMPARE(measurements, 7);
        QVERIFY(one.details.count(48) && !one.details.count(13));
        QCOMPARE(one.deviceStatus, 0x10);
        // Command 3 says all four variables again.
        model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, ptest::kAnswer3));
        QCOMPARE(one.variables->values[0]->value, 1.23456f);
        QVERIFY(!one.lastPublished());
    }

    // Exactly the bounds the trend is made for: the newest kCapacity samples, and nothing more
    // than an hour older than the newest.
    void historyKeepsExactlyItsBounds() {
        History dense;
        for (int k = 0; k < History::kCapacity + 5; ++k)
            dense.add({qint64(k) * 50, float(k), 0.0f});
        QCOMPARE(dense.samples().size(), size_t(History::kCapacity));
        QCOMPARE(dense.samples().front().loopCurrent, 5.0f);
        History hour;
        hour.add({0, 1.0f, 0.0f});
        hour.add({History::kKeepMs, 2.0f, 0.0f});
        QCOMPARE(hour.samples().size(), size_t(2)); // exactly an hour apart: both kept
        hour.add({History::kKeepMs + 1, 3.0f, 0.0f});
        QCOMPARE(hour.samples().front().loopCurrent, 2.0f);
    }

    // A day of sixteen instruments stays within ten megabytes: at most an hour, at most
    // kCapacity samples an instrument. An instrument answering twice a second over HART-IP
    // keeps its whole hour.
    void historyIsBounded() {
        History history;
        const qint64 day = 24LL * 3600 * 1000;
        for (qint64 ms = 0; ms < day; ms += 10800)
            history.add({ms, 12.0f, 50.0f});
        QVERIFY(history.samples().size() <= size_t(History::kCapacity));
        QVERIFY(history.samples().back().ms - history.samples().front().ms <= History::kKeepMs);
        QVERIFY(16 * History::kCapacity * sizeof(History::Sample) < 10 * 1024 * 1024);
        History busy;
        for (qint64 ms = 0; ms <= 70 * 60 * 1000; ms += 500)
            busy.add({ms, 12.0f, 50.0f});
        QCOMPARE(busy.samples().back().ms - busy.samples().front().ms, History::kKeepMs);
        // Rare answers: an hour's worth is kept, nothing older.
        History sparse;
        for (qint64 ms = 0; ms <= 2 * 3600 * 1000; ms += 60 * 1000)
            sparse.add({ms, 4.0f, 0.0f});
        QCOMPARE(sparse.samples().front().ms, 3600 * 1000);
    }

    void modelFollowsTheAnswers() {
        QDateTime now(QDate(2026, 12, 7), QTime(10, 0));
        FieldModel model([&now] { return now; });
        QList<int> changed;
        connect(&model, &FieldModel::instrumentChanged, this, [&](int a) { changed << a; });
        model.takeAnswer(protocol::ReadAnswer::of(0, 1, true, kPreamble + ptest::kAnswer0Hart5));
        model.takeAnswer(protocol::ReadAnswer::of(13, 1, true, ptest::kAnswer13));
        model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, ptest::kAnswer3));
        now = now.addSecs(11);
        model.takeAnswer(protocol::ReadAnswer::of(3, 1, true, ptest::kAnswer3));
        const Instrument& one = model.instrument(1);
        QVERIFY(one.answering && one.identity && one.tag && one.variables);
        QCOMPARE(one.history.samples().size(), size_t(2));
        QCOMPARE(one.lastAnswer.command, 3);
        QCOMPARE(changed, (QList<int>{1, 1, 1, 1}));
        // When an answer came, to the millisecond, by the model's clock.
        QCOMPARE(one.lastAnswerMs, now.toMSecsSinceEpoch());
        QCOMPARE(one.history.samples().back().ms, now.toMSecsSinceEpoch());
        QCOMPARE(one.silentSinceMs, 0);
        // A rejected command 3 changes nothing; silence to command 0 says nobody answers now,
        // since when, and the second silent pass does not move that time.
        model.takeAnswer(protocol::ReadAnswer::of(3, 1, false, QByteArray()));
        QVERIFY(one.variables && one.answering);
        now = now.addMSecs(13250);
        const qint64 silentFrom = now.toMSecsSinceEpoch();
        model.takeAnswer(protocol::ReadAnswer::of(0, 1, false, QByteArray()));
        QVERIFY(!one.answering && one.identity && one.variables);
        QCOMPARE(one.silentSinceMs, silentFrom);
        now = now.addSecs(13);
        model.takeAnswer(protocol::ReadAnswer::of(0, 1, false, QByteArray()));
        QCOMPARE(one.silentSinceMs, silentFrom);
        QCOMPARE(model.now(), now);
        // Another instrument at the address: the old one's tag and trend go.
        QByteArray other = ptest::kAnswer0Hart5.chopped(1);
        other[17] = char(0x57);
        model.takeAnswer(protocol::ReadAnswer::of(0, 1, true, withCheck(other)));
        QVERIFY(one.answering && !one.tag && one.history.samples().empty());
        model.clear();
        QVERIFY(!model.instrument(1).identity);
    }

    // The data of answers taken apart as HART lays them out, written here from the published
    // layouts: every field in order, a byte the layout leaves unnamed said to be undecoded, a
    // field the data cuts said to be cut.
    void dataExplainedAsPublished_data() {
        QTest::addColumn<QByteArray>("frame"); // delimiter to data; the check byte is added
        QTest::addColumn<QString>("fields");   // name=meaning of each data field
        QTest::newRow("15, HART 5")
            << hex("86 A6 06 12 34 56 0F 13 00 00 00 00 0C 42 C8 00 00 00 00 00 00 3F 00 00 00 "
                   "00 FA")
            << "Alarm selection=high|Transfer function=linear|Range values unit=12 = kPa|"
               "Upper range value=100 kPa|Lower range value=0 kPa|Damping=0.5 s|"
               "Write protect=not write protected|data=not decoded";
        QTest::newRow("33, two variables")
            << hex("86 A6 06 12 34 56 21 0E 00 00 00 0C 3F 9E 06 10 01 20 41 BC 00 00")
            << QString::fromUtf8("Variable in slot 0 (0)=1.23456 kPa|"
                                 "Variable in slot 1 (1)=23.5 °C");
        QTest::newRow("1, the PV cut short")
            << hex("86 A6 06 12 34 56 01 05 00 00 0C 3F 9E") << "PV unit=12 = kPa|PV= (cut short)";
        QTest::newRow("0, HART 7")
            << ptest::kAnswer0Hart7.chopped(1)
            << "expansion code=254|expanded device type=2606|preambles asked for=5|"
               "HART revision=7|device revision=7|software revision=3|"
               "hardware revision, signalling=12, wireless (WirelessHART)|flags=00|"
               "device id=123456|"
               "preambles it sends=5|device variables=1|configuration change counter=0|"
               "extended device status=no bit set|manufacturer=0099 Metran|"
               "private label distributor=0099|device profile=0";
    }
    void dataExplainedAsPublished() {
        QFETCH(QByteArray, frame);
        QFETCH(QString, fields);
        const protocol::ReadAnswer answer =
            protocol::ReadAnswer::of(-1, -1, true, kPreamble + withCheck(frame));
        QStringList shown;
        bool inData = false;
        for (const ExplainedField& f : explainAnswer(answer, true)) {
            if (f.name == "check byte")
                break;
            if (inData)
                shown << f.name + '=' + f.meaning;
            inData = inData || f.name == "device status";
        }
        QCOMPARE(shown, fields.split('|'));
    }

    // The byte count says where the answer ends: response bytes only where counted, fields only
    // within the data, and the byte after them is the check byte, whatever the command would
    // carry in a full answer.
    void explanationFollowsTheByteCount_data() {
        QTest::addColumn<QByteArray>("asRead");
        QTest::addColumn<QString>("names");
        QTest::newRow("13 not implemented") << withCheck(hex("86 A6 06 12 34 56 0D 02 40 00"))
                                            << "delimiter|long address|command|byte count|"
                                               "response code|device status|check byte";
        QTest::newRow("3 busy") << withCheck(hex("86 A6 06 12 34 56 03 02 20 00"))
                                << "delimiter|long address|command|byte count|"
                                   "response code|device status|check byte";
        QTest::newRow("0 with byte count 0") << withCheck(hex("06 81 00 00"))
                                             << "delimiter|polling address|command|byte count|"
                                                "check byte";
        QTest::newRow("3 with the current only")
            << withCheck(hex("86 A6 06 12 34 56 03 06 00 00 41 48 00 00"))
            << "delimiter|long address|command|byte count|response code|device status|"
               "loop current|check byte";
        QTest::newRow("3 with a stray byte in the data")
            << withCheck(hex("86 A6 06 12 34 56 03 07 00 00 41 48 00 00 0C"))
            << "delimiter|long address|command|byte count|response code|device status|"
               "loop current|PV unit|check byte";
    }
    void explanationFollowsTheByteCount() {
        QFETCH(QByteArray, asRead);
        QFETCH(QString, names);
        const QList<ExplainedField> fields =
            explainAnswer(protocol::ReadAnswer::of(-1, -1, true, asRead), true);
        QStringList shown;
        int next = 0;
        for (const ExplainedField& f : fields) {
            QCOMPARE(f.offset, next);
            next += f.length;
            shown << f.name;
        }
        QCOMPARE(shown.join('|'), names);
        QCOMPARE(next, asRead.size());
        QCOMPARE(fields.back().length, 1);
        QCOMPARE(fields.back().meaning, "matches");
    }

    // Every byte read belongs to exactly one field, in order; names and meanings follow the
    // language.
    void answersExplained() {
        const QList<ExplainedField> fields =
            explainAnswer(protocol::ReadAnswer::of(3, 1, true, kPreamble + ptest::kAnswer3), true);
        QStringList names;
        int next = 0;
        for (const ExplainedField& f : fields) {
            QCOMPARE(f.offset, next);
            next += f.length;
            names << f.name;
        }
        QCOMPARE(next, 5 + ptest::kAnswer3.size());
        QCOMPARE(names.join('|'), "preamble|delimiter|long address|command|byte count|"
                                  "response code|device status|loop current|PV unit|PV|SV unit|"
                                  "SV|TV unit|TV|QV unit|QV|check byte");
        const auto meaning = [&](const QString& name) {
            for (const ExplainedField& f : fields)
                if (f.name == name)
                    return f.bytes + " = " + f.meaning;
            return QString();
        };
        QCOMPARE(meaning("delimiter"), "86 = long address, slave to master");
        // A burst-mode instrument's address: the bit is named, and kept out of the address.
        QByteArray burst = ptest::kAnswer3.chopped(1);
        burst[1] = char(0x66);
        const QList<ExplainedField> burstFields =
            explainAnswer(protocol::ReadAnswer::of(-1, -1, true, withCheck(burst)), true);
        QCOMPARE(burstFields[1].meaning, "2606123456; master bit 0, burst bit 1");
        QCOMPARE(meaning("long address"), "A6 06 12 34 56 = 2606123456; master bit 1, burst bit 0");
        QCOMPARE(meaning("PV"), "3F 9E 06 10 = 1.23456 kPa");
        QCOMPARE(meaning("PV unit"), "0C = 12 = kPa");
        QCOMPARE(meaning("check byte"), "20 = matches");

        QByteArray alarm = ptest::kAnswer0Hart5.chopped(1);
        alarm[4] = char(0x88); // communication error: checksum
        alarm[5] = char(0x41); // configuration changed, PV out of limits
        const QList<ExplainedField> russian = explainAnswer(
            protocol::ReadAnswer::of(-1, -1, true, withCheck(alarm) + QByteArray(1, 0x00)), false);
        QStringList words;
        for (const ExplainedField& f : russian)
            words << f.name + ": " + f.meaning;
        const QString all = words.join('\n');
        QVERIFY2(
            all.contains(QString::fromUtf8("код ответа: ошибка связи: ошибка контрольной суммы")),
            qPrintable(all));
        QVERIFY(all.contains(QString::fromUtf8(
            "статус прибора: конфигурация изменена, первичная переменная вне пределов")));
        QVERIFY(all.contains(QString::fromUtf8("производитель: 26 Rosemount")));
        QVERIFY(all.endsWith(QString::fromUtf8("после кадра: не относится к ответу")));
    }

    // The current the range and transfer function call for, against the one measured.
    void loopCheck_data() {
        QTest::addColumn<double>("pv");
        QTest::addColumn<double>("measured");
        QTest::addColumn<double>("lrv");
        QTest::addColumn<double>("urv");
        QTest::addColumn<int>("transfer");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("verdict"); // 0 agrees, 1 disagrees, 2 cannot check
        QTest::addColumn<int>("reason");
        QTest::addColumn<double>("expected");
        using R = field::LoopCheckResult::Reason;
        // 0 to 100 kPa on 4 to 20 mA: 25 kPa is 8 mA.
        QTest::newRow("linear, agrees")
            << 25.0 << 8.03 << 0.0 << 100.0 << 0 << 0 << 0 << int(R::None) << 8.0;
        QTest::newRow("linear, 0.3 % of span off")
            << 25.0 << 8.06 << 0.0 << 100.0 << 0 << 0 << 1 << int(R::None) << 8.0;
        QTest::newRow("linear, drifted 0.5 mA")
            << 50.0 << 12.5 << 0.0 << 100.0 << 0 << 0 << 1 << int(R::None) << 12.0;
        // Square root: a quarter of the range is half the signal.
        QTest::newRow("square root")
            << 25.0 << 12.0 << 0.0 << 100.0 << 1 << 0 << 0 << int(R::None) << 12.0;
        QTest::newRow("square root below LRV")
            << -5.0 << 4.0 << 0.0 << 100.0 << 1 << 0 << 0 << int(R::None) << 4.0;
        // Above the range the current stops at the saturation limit.
        QTest::newRow("above range, not flagged")
            << 150.0 << 20.5 << 0.0 << 100.0 << 0 << 0 << 0 << int(R::None) << 20.5;
        QTest::newRow("below range, not flagged")
            << -50.0 << 3.8 << 0.0 << 100.0 << 0 << 0 << 0 << int(R::None) << 3.8;
        // An inverted range: 100 at 4 mA, 0 at 20 mA.
        QTest::newRow("inverted range")
            << 25.0 << 16.0 << 100.0 << 0.0 << 0 << 0 << 0 << int(R::None) << 16.0;
        QTest::newRow("zero span")
            << 25.0 << 8.0 << 50.0 << 50.0 << 0 << 0 << 2 << int(R::ZeroSpan) << 0.0;
        QTest::newRow("special curve")
            << 25.0 << 8.0 << 0.0 << 100.0 << 4 << 0 << 2 << int(R::TransferFunction) << 0.0;
        QTest::newRow("alarm") << 25.0 << 21.5 << 0.0 << 100.0 << 0 << 0x80 << 2 << int(R::Alarm)
                               << 8.0;
        QTest::newRow("current fixed")
            << 25.0 << 12.0 << 0.0 << 100.0 << 0 << 0x08 << 2 << int(R::CurrentFixed) << 8.0;
        QTest::newRow("saturated")
            << 150.0 << 20.5 << 0.0 << 100.0 << 0 << 0x04 << 2 << int(R::Saturated) << 20.5;
        QTest::newRow("PV out of limits")
            << 25.0 << 8.0 << 0.0 << 100.0 << 0 << 0x01 << 2 << int(R::PvOutOfLimits) << 8.0;
        // HART's "no value" (0x7FA00000) for the PV or the current: nothing to compare.
        const double noValue = double(protocol::floatAt(hex("7F A0 00 00"), 0));
        QTest::newRow("no PV sent")
            << noValue << 8.0 << 0.0 << 100.0 << 0 << 0 << 2 << int(R::NoValueSent) << 0.0;
        QTest::newRow("no current sent")
            << 25.0 << noValue << 0.0 << 100.0 << 0 << 0 << 2 << int(R::NoValueSent) << 0.0;
    }
    void loopCheck() {
        QFETCH(double, pv);
        QFETCH(double, measured);
        QFETCH(double, lrv);
        QFETCH(double, urv);
        QFETCH(int, transfer);
        QFETCH(int, status);
        QFETCH(int, verdict);
        QFETCH(int, reason);
        QFETCH(double, expected);
        field::LoopCheckInput in;
        in.pv = pv;
        in.loopCurrentMa = measured;
        in.lowerRange = lrv;
        in.upperRange = urv;
        in.transferFunction = transfer;
        in.deviceStatus = status;
        const field::LoopCheckResult result = field::checkLoop(in);
        QCOMPARE(int(result.verdict), verdict);
        QCOMPARE(int(result.reason), reason);
        if (reason != int(field::LoopCheckResult::Reason::ZeroSpan) &&
            reason != int(field::LoopCheckResult::Reason::TransferFunction) &&
            reason != int(field::LoopCheckResult::Reason::NoValueSent)) {
            QVERIFY2(qAbs(result.expectedMa - expected) < 1e-9,
                     qPrintable(QString::number(result.expectedMa)));
            QVERIFY(qAbs(result.differenceMa - (measured - expected)) < 1e-9);
        }
    }

    // Command 7's loop current mode: only code 1 is "enabled" (HART's common table 16); "not
    // used" (250) is no enabled current to check against.
    void loopCurrentMode_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("mode"); // -1 unread, 0 off, 1 on
        QTest::newRow("disabled") << hex("05 00") << 0;
        QTest::newRow("enabled") << hex("00 01") << 1;
        QTest::newRow("not used") << hex("00 FA") << 0;
        QTest::newRow("cut short") << hex("00") << -1;
    }
    void loopCurrentMode() {
        QFETCH(QByteArray, data);
        QFETCH(int, mode);
        const std::optional<bool> read = field::loopCurrentModeFrom(data);
        QCOMPARE(read ? int(*read) : -1, mode);
    }

    // Either bound is enough on its own: a difference inside one and outside the other agrees.
    void loopCheckEitherTolerance_data() {
        QTest::addColumn<double>("toleranceMa");
        QTest::addColumn<double>("tolerancePercent");
        QTest::addColumn<double>("measured"); // 8 mA expected
        QTest::addColumn<bool>("agrees");
        QTest::newRow("within the mA bound only") << 0.1 << 0.3 << 8.08 << true;
        QTest::newRow("within the % bound only") << 0.01 << 1.0 << 7.9 << true;
        QTest::newRow("outside both") << 0.1 << 0.3 << 8.11 << false;
    }
    void loopCheckEitherTolerance() {
        QFETCH(double, toleranceMa);
        QFETCH(double, tolerancePercent);
        QFETCH(double, measured);
        QFETCH(bool, agrees);
        field::LoopCheckInput in;
        in.pv = 25;
        in.loopCurrentMa = measured;
        in.lowerRange = 0;
        in.upperRange = 100;
        in.toleranceMa = toleranceMa;
        in.tolerancePercentOfSpan = tolerancePercent;
        QCOMPARE(field::checkLoop(in).verdict, agrees ? field::LoopCheckResult::Verdict::Agrees
                                                      : field::LoopCheckResult::Verdict::Disagrees);
    }

    // Nothing to compare with before the range is read, or where the current carries nothing.
    void loopCheckNeedsRangeAndCurrent() {
        field::LoopCheckInput in;
        in.pv = 25;
        in.loopCurrentMa = 8;
        QCOMPARE(field::checkLoop(in).reason, field::LoopCheckResult::Reason::RangeNotRead);
        in.lowerRange = 0;
        in.upperRange = 100;
        in.loopCurrentMode = false;
        QCOMPARE(field::checkLoop(in).reason, field::LoopCheckResult::Reason::LoopCurrentModeOff);
        in.loopCurrentMode = true;
        QCOMPARE(field::checkLoop(in).verdict, field::LoopCheckResult::Verdict::Agrees);
        QCOMPARE(field::checkLoop(in).percentOfRange, 25.0);
    }

    // What the detail commands told, taken apart; never a value that did not come.
    void details_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("asRead");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("shown");
        const auto answer = [](int command, int responseCode, const QByteArray& data) {
            QByteArray frame = hex("86 A6 06 12 34 56");
            frame += char(command);
            frame += char(data.size() + 2);
            frame += char(responseCode);
            frame += char(0);
            return hex("FF FF FF FF FF") + withCheck(frame + data);
        };
        // Alarm high, square root, kPa, 100 to 0, 0.5 s, not protected, distributor, flags.
        const QByteArray range = hex("00 01 0C 42 C8 00 00 00 00 00 00 3F 00 00 00 00 FA 00");
        QTest::newRow("15") << 15 << answer(15, 0, range) << true << true
                            << "Alarm selection=high; Transfer function=square root; Upper range "
                               "value=100 kPa; Lower range value=0 kPa; Damping=0.5 s; Write "
                               "protect=not write protected; Analog channel=no bit set";
        QTest::newRow("15 in Russian")
            << 15 << answer(15, 0, range.left(3)) << true << false
            << QString::fromUtf8("Направление аварийного сигнала=высокий; Передаточная "
                                 "функция=квадратный корень");
        QTest::newRow("15, HART 5: no channel flags")
            << 15 << answer(15, 0, range.left(17)) << true << true
            << "Alarm selection=high; Transfer function=square root; Upper range value=100 kPa; "
               "Lower range value=0 kPa; Damping=0.5 s; Write protect=not write protected";
        QTest::newRow("64") << 15 << answer(15, 64, {}) << true << true
                            << "not supported by this instrument";
        QTest::newRow("no answer") << 15 << QByteArray() << false << true << "no answer";
        QTest::newRow("byte count 0")
            << 15 << hex("FF FF FF FF FF") + withCheck(hex("86 A6 06 12 34 56 0F 00")) << true
            << true << "answer too short";
        QTest::newRow("corrupt") << 15 << answer(15, 0, range).chopped(1) + '\x00' << false << true
                                 << "answer damaged";
        QTest::newRow("communication error")
            << 15 << answer(15, 0x88, {}) << true << true << "answer damaged";
        QTest::newRow("empty") << 2 << answer(2, 0, {}) << true << true << "answer too short";
        QTest::newRow("refused") << 2 << answer(2, 5, {}) << true << true
                                 << "refused: too few data bytes received";
        // The serial number came, the limits did not.
        QTest::newRow("14 cut short") << 14 << answer(14, 0, hex("00 30 39 0C 42")) << true << true
                                      << "Sensor serial number=12345";
        QTest::newRow("14") << 14
                            << answer(14, 0, hex("00 30 39 0C 44 7A 00 00 C2 C8 00 00 40 A0 00 00"))
                            << true << true
                            << "Sensor serial number=12345; Upper sensor limit=1000 kPa; Lower "
                               "sensor limit=-100 kPa; Minimum span=5 kPa";
        QTest::newRow("2") << 2 << answer(2, 0, hex("41 48 00 00 42 48 00 00")) << true << true
                           << "Loop current=12.5 mA; Percent of range=50 %";
        QTest::newRow("2 with a warning")
            << 2 << answer(2, 8, hex("41 48 00 00 42 48 00 00")) << true << true
            << "Loop current=12.5 mA; Percent of range=50 %; Response=warning: update failure";
        QTest::newRow("7") << 7 << answer(7, 0, hex("03 00")) << true << true
                           << "Polling address=3; Loop current mode=disabled (multidrop)";
        QTest::newRow("12") << 12 << answer(12, 0, protocol::packAscii("CALIBRATED 2026", 32))
                            << true << true << "Message=CALIBRATED 2026";
        QTest::newRow("20") << 20
                            << answer(20, 0,
                                      QByteArray("FT-305 cooling water").leftJustified(32, '\0'))
                            << true << true << "Long tag=FT-305 cooling water";
        QTest::newRow("48 as far as it came")
            << 48 << answer(48, 0, hex("00 00 00 00 01 00 20 00 01")) << true << true
            << "Device-specific status=00 00 00 00 01 00; Extended device status=function check; "
               "Operating mode=normal; Standardized status 0=simulation active";
        QTest::newRow("9") << 9
                           << answer(9, 0,
                                     hex("00 F6 41 0C 42 C8 00 00 C0 F7 40 20 41 B8 00 00 50"))
                           << true << true
                           << QString::fromUtf8("Extended device status=no bit set; Variable in "
                                                "slot 0 (246: the PV)=100 kPa \u2014 good, not "
                                                "limited; Variable in slot 1 (247: the SV)=23 °C "
                                                "\u2014 poor accuracy, low limited");
        QTest::newRow("50") << 50 << answer(50, 0, hex("00 01 02 03")) << true << true
                            << "PV=device variable 0; SV=device variable 1; TV=device variable 2; "
                               "QV=device variable 3";
        QTest::newRow("50, two not used")
            << 50 << answer(50, 0, hex("00 01 FA FA")) << true << false
            << QString::fromUtf8("ПП=переменная прибора 0; ВП=переменная прибора "
                                 "1; ТП=не используется; ЧП=не используется");
    }
    void details() {
        QFETCH(int, command);
        QFETCH(QByteArray, asRead);
        QFETCH(bool, accepted);
        QFETCH(bool, english);
        QFETCH(QString, shown);
        const DetailReading reading =
            readDetail(protocol::ReadAnswer::of(command, 1, accepted, asRead), english);
        QStringList rows;
        for (const DetailRow& row : reading.rows)
            rows << row.name + '=' + row.value;
        QCOMPARE(reading.state == DetailReading::State::Read ? rows.join("; ") : reading.stateText,
                 shown);
    }

    // Which commands an instrument is asked, by the HART revision it speaks.
    void detailCommandsByRevision() {
        QCOMPARE(detailCommands(5), (QList<int>{1, 2, 12, 14, 15, 16, 48, 50}));
        QCOMPARE(detailCommands(6), (QList<int>{1, 2, 7, 8, 12, 14, 15, 16, 20, 48, 50}));
        QCOMPARE(detailCommands(7).size(), 12);
        QCOMPARE(detailRequestData(9), hex("F6 F7 F8 F9"));
        const auto range = rangeValuesFrom(hex("00 01 0C 42 C8 00 00 00 00 00 00 3F 00 00 00 00"));
        QVERIFY(range && range->transferFunction == 1 && range->upper == 100.f &&
                range->lower == 0.f);
        QVERIFY(!rangeValuesFrom(hex("00 01 0C")));
    }

    // The code tables hold HART's published codes (common tables 3, 6, 7, 16, 21 and the
    // standardized status bits of command 48).
    void codeTables_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("words");
        QTest::newRow("transfer 0") << "transfer" << 0 << "linear";
        QTest::newRow("transfer 1") << "transfer" << 1 << "square root";
        QTest::newRow("transfer 230") << "transfer" << 230 << "discrete (switch)";
        QTest::newRow("alarm 0") << "alarm" << 0 << "high";
        QTest::newRow("alarm 239") << "alarm" << 239 << "hold last output value";
        QTest::newRow("alarm 251") << "alarm" << 251 << "none";
        QTest::newRow("write protect 1") << "protect" << 1 << "write protected";
        QTest::newRow("loop current mode 0") << "mode" << 0 << "disabled (multidrop)";
        QTest::newRow("class 64") << "class" << 64 << "temperature";
        QTest::newRow("class 65") << "class" << 65 << "pressure";
        QTest::newRow("class 66") << "class" << 66 << "volumetric flow";
        QTest::newRow("class 92") << "class" << 92 << "level";
        QTest::newRow("class unknown") << "class" << 42 << "code 42";
        QTest::newRow("standardized 0, 0x01") << "std0" << 0x01 << "simulation active";
        QTest::newRow("standardized 0, 0x40") << "std0" << 0x40 << "electronic defect";
        QTest::newRow("standardized 1, 0x08")
            << "std1" << 0x08 << "battery or power supply needs maintenance";
    }
    void codeTables() {
        QFETCH(QString, table);
        QFETCH(int, code);
        QFETCH(QString, words);
        if (table.startsWith("std")) {
            const QList<StatusBit> bits =
                table == "std0" ? standardizedStatus0Bits() : standardizedStatus1Bits();
            QString found;
            for (const StatusBit& bit : bits)
                if (bit.mask == code)
                    found = bitText(bit, true);
            QCOMPARE(found, words);
            return;
        }
        const QMap<QString, QList<CodeWord> (*)()> tables{{"transfer", transferFunctionCodes},
                                                          {"alarm", alarmSelectionCodes},
                                                          {"protect", writeProtectCodes},
                                                          {"mode", loopCurrentModeCodes},
                                                          {"class", classificationCodes}};
        QCOMPARE(codeText(tables.value(table)(), code, true), words);
    }
};

QTEST_GUILESS_MAIN(TestField)
#include "tst_field.moc"
