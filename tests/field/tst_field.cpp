// What the answers mean: frames taken apart, HART's tables against published values, the
// instruments and their bounded history, and answers explained field by field.

#include "field/answer_frame.h"
#include "field/field_model.h"
#include "field/frame_explanation.h"
#include "field/hart_tables.h"
#include "helpers.h" // the golden answers

#include <QtTest>

#include <cmath>

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
        QCOMPARE(manufacturerName(0x26), "Rosemount");
        QCOMPARE(manufacturerName(17), "Endress+Hauser");
        QCOMPARE(manufacturerName(0x2A), "Siemens");
        QCOMPARE(manufacturerName(166), "Fluid Components International");
        QCOMPARE(manufacturerName(0x3C), QString());
    }

    void identityOfHart5AndHart7() {
        const std::optional<Identity> five = identityFrom(parseAnswer(ptest::kAnswer0Hart5));
        QVERIFY(five);
        QCOMPARE((QList<int>{five->hartRevision, five->manufacturer, five->deviceType,
                             five->requestPreambles, five->deviceRevision, five->softwareRevision,
                             five->hardwareRevision, int(five->deviceId)}),
                 (QList<int>{5, 0x26, 0x06, 5, 9, 3, 100, 0x123456}));
        QVERIFY(!five->expandedDeviceType && !five->configChangeCounter);
        QCOMPARE(five->longAddress, hex("26 06 12 34 56"));

        const std::optional<Identity> seven =
            identityFrom(parseAnswer(kPreamble + ptest::kAnswer0Hart7));
        QVERIFY(seven);
        QVERIFY(seven->expandedDeviceType);
        QCOMPARE((QList<int>{seven->hartRevision, seven->deviceType, seven->hardwareRevision,
                             *seven->physicalSignaling, *seven->responsePreambles,
                             *seven->maxDeviceVariables, *seven->configChangeCounter,
                             *seven->extendedStatus, seven->manufacturer, *seven->privateLabel,
                             *seven->deviceProfile}),
                 (QList<int>{7, 0x2606, 12, 4, 5, 1, 0, 0, 0x99, 0x99, 0}));
        // Master and burst bits stay out of the long address.
        QByteArray masterBit = ptest::kAnswer0Hart5.chopped(1);
        masterBit[7] = char(0xA6);
        QCOMPARE(identityFrom(parseAnswer(withCheck(masterBit)))->longAddress,
                 hex("26 06 12 34 56"));
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
    }
    void frameParts() {
        QFETCH(QByteArray, asRead);
        QFETCH(QString, parts);
        const AnswerFrame f = parseAnswer(asRead);
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
            dynamicVariablesFrom(parseAnswer(ptest::kAnswer3));
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
            dynamicVariablesFrom(parseAnswer(withCheck(two)));
        QVERIFY(partial && partial->values[1] && !partial->values[2] && !partial->values[3]);

        const std::optional<TagRecord> tag = tagRecordFrom(parseAnswer(ptest::kAnswer13));
        QVERIFY(tag);
        QCOMPARE(tag->tag, "PT-101  ");
        QCOMPARE(tag->descriptor, "TEST DEVICE     ");
        QCOMPARE(tag->date, QDate(2009, 3, 5));
        QVERIFY(!tagRecordFrom(parseAnswer(ptest::kAnswer3)));
    }

    // A day of sixteen instruments answering as fast as the loop allows stays within a few
    // hundred kilobytes: at most an hour, at most kCapacity samples an instrument.
    void historyIsBounded() {
        History history;
        const qint64 day = 24LL * 3600 * 1000;
        for (qint64 ms = 0; ms < day; ms += 10800)
            history.add({ms, 12.0f, 50.0f});
        QVERIFY(history.samples().size() <= size_t(History::kCapacity));
        QVERIFY(history.samples().back().ms - history.samples().front().ms <= History::kKeepMs);
        QVERIFY(16 * History::kCapacity * sizeof(History::Sample) < 2 * 1024 * 1024);
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
        model.takeAnswer(0, 1, true, kPreamble + ptest::kAnswer0Hart5);
        model.takeAnswer(13, 1, true, ptest::kAnswer13);
        model.takeAnswer(3, 1, true, ptest::kAnswer3);
        now = now.addSecs(11);
        model.takeAnswer(3, 1, true, ptest::kAnswer3);
        const Instrument& one = model.instrument(1);
        QVERIFY(one.answering && one.identity && one.tag && one.variables);
        QCOMPARE(one.history.samples().size(), size_t(2));
        QCOMPARE(one.lastCommand, 3);
        QCOMPARE(changed, (QList<int>{1, 1, 1, 1}));
        // A rejected command 3 changes nothing; silence to command 0 says nobody answers now.
        model.takeAnswer(3, 1, false, QByteArray());
        QVERIFY(one.variables && one.answering);
        model.takeAnswer(0, 1, false, QByteArray());
        QVERIFY(!one.answering && one.identity);
        // Another instrument at the address: the old one's tag and trend go.
        QByteArray other = ptest::kAnswer0Hart5.chopped(1);
        other[17] = char(0x57);
        model.takeAnswer(0, 1, true, withCheck(other));
        QVERIFY(one.answering && !one.tag && one.history.samples().empty());
        model.clear();
        QVERIFY(!model.instrument(1).identity);
    }

    // Every byte read belongs to exactly one field, in order; names and meanings follow the
    // language.
    void answersExplained() {
        const QList<ExplainedField> fields = explainAnswer(kPreamble + ptest::kAnswer3, true);
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
        QCOMPARE(meaning("long address"), "A6 06 12 34 56 = 2606123456; master bit 1, burst bit 0");
        QCOMPARE(meaning("PV"), "3F 9E 06 10 = 1.23456 kPa");
        QCOMPARE(meaning("PV unit"), "0C = 12 = kPa");
        QCOMPARE(meaning("check byte"), "20 = matches");

        QByteArray alarm = ptest::kAnswer0Hart5.chopped(1);
        alarm[4] = char(0x88); // communication error: checksum
        alarm[5] = char(0x41); // configuration changed, PV out of limits
        const QList<ExplainedField> russian =
            explainAnswer(withCheck(alarm) + QByteArray(1, 0x00), false);
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
};

QTEST_GUILESS_MAIN(TestField)
#include "tst_field.moc"
