// Captures: pcapng blocks and IPv4 headers against bytes laid out from their published formats,
// and frames of a shared line wrapped as HART-IP the way an analyzer pairs and places them.

#include "capture/capture_file.h"
#include "capture/hart_ip_wrapping.h"
#include "capture/pcapng_blocks.h"
#include "capture/udp_packet.h"

#include "protocol/line_framer.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray withCheck(const QByteArray& frame) {
    return frame + char(protocol::checkByte(frame));
}

protocol::HeardFrame heard(protocol::HeardFrame::Kind kind, const QByteArray& bytes) {
    protocol::HeardFrame f;
    f.kind = kind;
    f.bytes = bytes;
    f.frame = protocol::HartFrame::parse(bytes);
    return f;
}

// Source and destination of an IPv4 packet, dotted, and the HART-IP header's type and sequence.
QString placed(const capture::CapturedPacket& p) {
    const auto dotted = [&](int at) {
        return QStringLiteral("%1.%2.%3.%4")
            .arg(quint8(p.ipv4[at]))
            .arg(quint8(p.ipv4[at + 1]))
            .arg(quint8(p.ipv4[at + 2]))
            .arg(quint8(p.ipv4[at + 3]));
    };
    const QByteArray hartIp = p.ipv4.mid(28);
    return QStringLiteral("%1>%2 type %3 seq %4")
        .arg(dotted(12), dotted(16))
        .arg(quint8(hartIp[1]))
        .arg(quint8(hartIp[4]) << 8 | quint8(hartIp[5]));
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    // The pcapng blocks as the format lays them out: type, total length, body padded to four
    // bytes, options, total length again; little-endian throughout.
    void pcapngBlocks() {
        QCOMPARE(capture::pcapng::sectionHeader("X").toHex(' '),
                 QByteArray("0a 0d 0d 0a 28 00 00 00 4d 3c 2b 1a 01 00 00 00 ff ff ff ff ff ff "
                            "ff ff 04 00 01 00 58 00 00 00 00 00 00 00 28 00 00 00"));
        QCOMPARE(capture::pcapng::interfaceDescription(228).toHex(' '),
                 QByteArray("01 00 00 00 20 00 00 00 e4 00 00 00 00 00 00 00 09 00 01 00 06 00 "
                            "00 00 00 00 00 00 20 00 00 00"));
        QCOMPARE(capture::pcapng::enhancedPacket(0x100000002LL, "ABCDE", "hi").toHex(' '),
                 QByteArray("06 00 00 00 34 00 00 00 00 00 00 00 01 00 00 00 02 00 00 00 05 00 "
                            "00 00 05 00 00 00 41 42 43 44 45 00 00 00 01 00 02 00 68 69 00 00 "
                            "00 00 00 00 34 00 00 00"));
        // No comment, no options at all.
        QCOMPARE(capture::pcapng::enhancedPacket(0, "ABCD", QString()).size(), 32 + 4);
    }

    // The IPv4 header of the common textbook example (192.168.0.1 to 192.168.0.199, 115 bytes,
    // don't fragment, TTL 64, UDP): its checksum is B861.
    void ipv4Header() {
        const QByteArray packet = capture::udpOverIpv4({0xC0A80001, 5094}, {0xC0A800C7, 5094}, 0,
                                                       QByteArray(115 - 28, 'x'));
        QCOMPARE(packet.left(20).toHex(' '),
                 QByteArray("45 00 00 73 00 00 40 00 40 11 b8 61 c0 a8 00 01 c0 a8 00 c7"));
        // UDP: ports, length, and a checksum over the pseudo-header that sums to all ones.
        QCOMPARE(packet.mid(20, 6).toHex(' '), QByteArray("13 e6 13 e6 00 5f"));
        QByteArray pseudo = packet.mid(12, 8) + hex("00 11 00 5f") + packet.mid(20);
        if (pseudo.size() % 2)
            pseudo += '\0';
        quint32 sum = 0;
        for (int k = 0; k < pseudo.size(); k += 2)
            sum += quint8(pseudo[k]) << 8 | quint8(pseudo[k + 1]);
        while (sum >> 16)
            sum = (sum & 0xFFFF) + (sum >> 16);
        QCOMPARE(sum, 0xFFFFu);
    }

    // A shared line's frames, as an analyzer should see them: requests from the master they
    // name, answers back to it with the request's sequence number, bursts published to the
    // master they name, instruments placed by polling address, a long address by the book or,
    // unknown, from 101 on; and what HART-IP cannot say in the comment.
    void framesWrappedAsHartIp() {
        using Kind = protocol::HeardFrame::Kind;
        const QByteArray preamble = hex("FF FF FF FF FF");
        const QByteArray known = hex("26 06 12 34 56");
        capture::HartIpWrapping wrapping(
            [&](const QByteArray& unique) { return unique == known ? 4 : -1; });
        QStringList got;
        const auto wrap = [&](Kind kind, const QByteArray& bytes, bool sent = false) {
            const capture::CapturedPacket p = wrapping.wrap(heard(kind, bytes), 1000, sent);
            got << placed(p) + " | " + p.comment;
            return p;
        };
        // The secondary (this program) asks address 2 for command 0; the primary asks the
        // instrument it knows by long address for command 3.
        const capture::CapturedPacket request =
            wrap(Kind::OurRequest, preamble + withCheck(hex("02 02 00 00")), true);
        wrap(Kind::AnswerToUs, preamble + withCheck(hex("06 02 00 02 00 00")));
        wrap(Kind::OtherRequest, preamble + withCheck(hex("82 A6 06 12 34 56 03 00")));
        wrap(Kind::AnswerToOther, preamble + withCheck(hex("86 A6 06 12 34 56 03 02 00 00")));
        // An instrument nobody polled bursts, naming the secondary; a frame broken off; one with
        // a wrong check byte.
        wrap(Kind::Burst, preamble + withCheck(hex("81 22 11 22 33 44 03 02 00 00")));
        wrap(Kind::Broken, preamble + hex("86 A6 06 12"));
        wrap(Kind::Broken, preamble + hex("06 02 00 02 00 00 FF"));
        QCOMPARE(got, (QStringList{
                          "10.0.0.2>10.0.1.3 type 0 seq 1 | 5 preamble bytes; sent by this program",
                          "10.0.1.3>10.0.0.2 type 1 seq 1 | 5 preamble bytes",
                          "10.0.0.1>10.0.1.5 type 0 seq 1 | 5 preamble bytes",
                          "10.0.1.5>10.0.0.1 type 1 seq 1 | 5 preamble bytes",
                          "10.0.1.101>10.0.0.2 type 2 seq 1 | 5 preamble bytes",
                          "10.0.2.254>10.0.0.1 type 1 seq 1 | 5 preamble bytes; broken off after "
                          "9 bytes",
                          "10.0.1.3>10.0.0.2 type 1 seq 1 | 5 preamble bytes; check byte wrong: ff "
                          "sent, 06 computed",
                      }));
        // The HART-IP message: version 1, token-passing PDU, its length, the frame from its
        // delimiter on.
        QCOMPARE(request.ipv4.mid(28).toHex(' '),
                 QByteArray("01 00 03 00 00 01 00 0d 02 02 00 00 00"));
    }

    // A capture file is the header blocks and one block a packet, whole when it is closed.
    void fileHoldsEveryPacket() {
        QTemporaryDir dir;
        QString error;
        const QString path = dir.filePath("line.pcapng");
        {
            std::unique_ptr<capture::CaptureFile> file = capture::CaptureFile::open(path, &error);
            QVERIFY2(file, qPrintable(error));
            for (int k = 0; k < 100; ++k)
                file->add({k, QByteArray(30, char(k)), QString()});
            file->waitUntilDone();
            QCOMPARE(file->packetsWritten(), quint64(100));
        }
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.size(), 48 + 32 + 100 * (32 + 32)); // "Corvantelis" pads to 12
        QVERIFY(!capture::CaptureFile::open(dir.filePath("no/such/folder/x.pcapng"), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_capture.moc"
