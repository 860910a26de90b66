// The instruments behind an I/O system: commands 74, 84 and 77 as their published layouts
// have them, whole, cut short and refused.

#include "field/frame_explanation.h"
#include "field/io_system.h"
#include "helpers.h"
#include "protocol/hart_frame.h"
#include "protocol/sub_device_frame.h"

#include <QtTest>

using ptest::hex;
using ptest::withCheck;

namespace {

// An answer from the I/O system at 26 4E 00 00 01 (long frame, master bit set).
protocol::HartFrame ioAnswer(const QByteArray& commandCountAndData) {
    return protocol::HartFrame::parse(withCheck(hex("86 A6 4E 00 00 01") + commandCountAndData));
}

} // namespace

class TestIoSystem : public QObject {
    Q_OBJECT
private slots:
    // Command 74: cards, channels per card, sub-devices per channel, devices detected (two
    // bytes, the I/O system counted), delayed responses, master mode, retries.
    void capabilities_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("read");
        QTest::newRow("whole") << hex("4A 0A 00 00 02 08 01 00 11 04 01 03") << true;
        QTest::newRow("cut short before the retries")
            << hex("4A 09 00 00 02 08 01 00 11 04 01") << false;
        QTest::newRow("not implemented") << hex("4A 02 40 00") << false;
    }
    void capabilities() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, read);
        const std::optional<field::IoSystem> io = field::ioSystemFrom(ioAnswer(answer));
        QCOMPARE(io.has_value(), read);
        if (!read)
            return;
        QCOMPARE(io->cards, 2);
        QCOMPARE(io->channelsPerCard, 8);
        QCOMPARE(io->subDevicesPerChannel, 1);
        QCOMPARE(io->devicesDetected, 17);
        QCOMPARE(io->subDevices(), 16);
        QCOMPARE(io->delayedResponses, 4);
        QCOMPARE(io->masterMode, 1);
        QCOMPARE(io->retryCount, 3);
    }

    // Command 84: index, card, channel, manufacturer, expanded device type, device ID, HART
    // revision, long tag (32 bytes of Latin-1). The long address is made from the type's low 14
    // bits and the device ID.
    void subDeviceIdentity_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("longTag");
        const QByteArray tag = QByteArray("FT-101 feed water") + QByteArray(15, '\0');
        QTest::newRow("whole") << hex("54 2E 00 00 00 03 01 05 00 26 E0 A5 12 34 56 07") + tag
                               << true << "FT-101 feed water";
        QTest::newRow("without its long tag")
            << hex("54 0E 00 00 00 03 01 05 00 26 E0 A5 12 34 56 07") << true << "";
        QTest::newRow("cut short before the revision")
            << hex("54 0D 00 00 00 03 01 05 00 26 E0 A5 12 34 56") << false << "";
        QTest::newRow("index out of range") << hex("54 02 02 00") << false << "";
    }
    void subDeviceIdentity() {
        QFETCH(QByteArray, answer);
        QFETCH(bool, read);
        QFETCH(QString, longTag);
        const std::optional<field::SubDeviceSummary> sub = field::subDeviceFrom(ioAnswer(answer));
        QCOMPARE(sub.has_value(), read);
        if (!read)
            return;
        QCOMPARE(sub->index, 3);
        QCOMPARE(sub->card, 1);
        QCOMPARE(sub->channel, 5);
        QCOMPARE(sub->manufacturer, 0x26);
        QCOMPARE(sub->deviceType, 0xE0A5);
        QCOMPARE(sub->deviceId, 0x123456u);
        QCOMPARE(sub->hartRevision, 7);
        QCOMPARE(sub->longTag, longTag);
        QCOMPARE(sub->uniqueAddress(), hex("20 A5 12 34 56"));
    }

    // Command 77 carries a request to card 1, channel 5 without its check byte, and brings the
    // instrument's answer back the same way; an answer cut short is none.
    void sendCommandToSubDevice() {
        protocol::HartFrame request;
        request.delimiter = 0x82;
        request.address = hex("A0 A5 12 34 56");
        request.command = 3;
        QCOMPARE(protocol::command77Data(1, 5, 5, request),
                 hex("01 05 05 82 A0 A5 12 34 56 03 00"));

        const QByteArray carried = hex("01 05 86 A0 A5 12 34 56 03 07 00 00 41 48 00 00 27");
        const std::optional<protocol::EmbeddedAnswer> answer = protocol::embeddedAnswer(carried);
        QVERIFY(answer);
        QCOMPARE(answer->card, 1);
        QCOMPARE(answer->channel, 5);
        QVERIFY(answer->frame.sound());
        QCOMPARE(answer->frame.uniqueAddress(), hex("20 A5 12 34 56"));
        QCOMPARE(answer->frame.command, 3);
        QCOMPARE(answer->frame.responseCode, 0);
        QCOMPARE(answer->frame.data, hex("41 48 00 00 27"));
        QVERIFY(!protocol::embeddedAnswer(carried.chopped(1)));
        QVERIFY(!protocol::embeddedAnswer(hex("01 05")));
    }

    // The byte-by-byte explanation names the fields from the same table.
    void explained() {
        const QList<field::ExplainedField> fields = field::explainAnswer(
            protocol::ReadAnswer::of(74, 0, true,
                                     ioAnswer(hex("4A 0A 00 00 02 08 01 00 11 04 01 03")).encode()),
            true);
        QStringList names;
        for (const field::ExplainedField& f : fields)
            names << f.name;
        QVERIFY2(names.contains("Devices detected (the I/O system too)"),
                 qPrintable(names.join('|')));
        QVERIFY2(names.contains("Master mode"), qPrintable(names.join('|')));
    }
};

QTEST_APPLESS_MAIN(TestIoSystem)
#include "tst_io_system.moc"
