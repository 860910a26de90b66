// The line as a master shares it: frames found in the bytes heard, and when the rules let this
// program send.

#include "protocol/line_arbiter.h"
#include "protocol/line_framer.h"

#include "helpers.h"

#include <QtTest>

using namespace protocol;
using ptest::hex;
using Kind = HeardFrame::Kind;

Q_DECLARE_METATYPE(protocol::HeardFrame::Kind)

namespace {

const QByteArray kPreamble = hex("FF FF FF FF FF");
// The same instrument (26 06 12 34 56) in every form; command 1, its PV 12.5 kPa.
const QByteArray kRequestFromSecondary = kPreamble + hex("82 26 06 12 34 56 01 00 D3");
const QByteArray kRequestFromPrimary = kPreamble + hex("82 A6 06 12 34 56 01 00 53");
const QByteArray kAnswerToSecondary =
    kPreamble + hex("86 26 06 12 34 56 01 07 00 00 0C 41 48 00 00 D5");
const QByteArray kAnswerToPrimary =
    kPreamble + hex("86 A6 06 12 34 56 01 07 00 00 0C 41 48 00 00 55");
const QByteArray kBurstNamingPrimary =
    kPreamble + hex("81 A6 06 12 34 56 01 07 00 00 0C 41 48 00 00 52");
const QByteArray kBurstNamingSecondary =
    kPreamble + hex("81 26 06 12 34 56 01 07 00 00 0C 41 48 00 00 D2");

struct Chunk {
    QByteArray bytes;
    double readAtMs;
};

QList<HeardFrame> hear(MasterRole role, const QList<Chunk>& chunks, double quietAtMs = -1) {
    QList<HeardFrame> heard;
    LineFramer framer(role, [&heard](const HeardFrame& frame) { heard << frame; });
    for (const Chunk& chunk : chunks)
        framer.feed(chunk.bytes, chunk.readAtMs);
    if (quietAtMs >= 0)
        framer.quietUntil(quietAtMs);
    return heard;
}

} // namespace

class TestProtocolLine : public QObject {
    Q_OBJECT
private slots:
    // What a primary master makes of what the line carries; the kinds in the order heard.
    void framesClassed_data() {
        QTest::addColumn<QList<Chunk>>("chunks");
        QTest::addColumn<double>("quietAtMs"); // -1: no quiet told
        QTest::addColumn<QList<Kind>>("kinds");
        QTest::newRow("the other master's request and its answer, back to back")
            << QList<Chunk>{{kRequestFromSecondary + kAnswerToSecondary, 1000}} << -1.0
            << QList<Kind>{Kind::OtherRequest, Kind::AnswerToOther};
        QTest::newRow("our request heard back, our answer")
            << QList<Chunk>{{kRequestFromPrimary, 200}, {kAnswerToPrimary, 500}} << -1.0
            << QList<Kind>{Kind::OurRequest, Kind::AnswerToUs};
        QTest::newRow("burst frames of both master bits")
            << QList<Chunk>{{kBurstNamingPrimary, 300}, {kBurstNamingSecondary, 900}} << -1.0
            << QList<Kind>{Kind::Burst, Kind::Burst};
        QTest::newRow("answer in three reads") << QList<Chunk>{{kAnswerToPrimary.left(6), 100},
                                                               {kAnswerToPrimary.mid(6, 5), 146},
                                                               {kAnswerToPrimary.mid(11), 238}}
                                               << -1.0 << QList<Kind>{Kind::AnswerToUs};
        // The second half came 60 ms after the first ended: the frame is broken there, and what
        // follows begins no frame.
        QTest::newRow("broken by a gap")
            << QList<Chunk>{{kAnswerToPrimary.left(10), 100},
                            {kAnswerToPrimary.mid(10), 160 + 11 * kCharacterMs}}
            << 1000.0 << QList<Kind>{Kind::Broken, Kind::Garbage};
        QTest::newRow("cut short, then quiet") << QList<Chunk>{{kAnswerToPrimary.chopped(3), 100}}
                                               << 200.0 << QList<Kind>{Kind::Broken};
        QTest::newRow("wrong check byte")
            << QList<Chunk>{{kAnswerToPrimary.chopped(1) + char(0x56), 100}} << -1.0
            << QList<Kind>{Kind::Broken};
        QTest::newRow("noise, then a frame") // a preamble byte begins anew: two runs of noise
            << QList<Chunk>{{hex("13 00 FF 7E") + kRequestFromSecondary, 400}} << -1.0
            << QList<Kind>{Kind::Garbage, Kind::Garbage, Kind::OtherRequest};
        QTest::newRow("one preamble byte is too few")
            << QList<Chunk>{{hex("FF 82 26 06 12 34 56 01 00 D3"), 400}} << 1000.0
            << QList<Kind>{Kind::Garbage};
    }
    void framesClassed() {
        QFETCH(QList<Chunk>, chunks);
        QFETCH(double, quietAtMs);
        QFETCH(QList<Kind>, kinds);
        QList<Kind> heard;
        for (const HeardFrame& frame : hear(MasterRole::Primary, chunks, quietAtMs))
            heard << frame.kind;
        QCOMPARE(heard, kinds);
    }

    // Where a frame lies in time: the last byte of a read ends when it was read, the bytes
    // before it one character apart; to a secondary master the same frames name the other.
    void framesTimedAndSeenFromTheOtherSide() {
        const QList<HeardFrame> heard =
            hear(MasterRole::Secondary, {{kRequestFromSecondary + kAnswerToPrimary, 1000}});
        QCOMPARE(heard.size(), 2);
        QCOMPARE(heard[0].kind, Kind::OurRequest);
        QCOMPARE(heard[1].kind, Kind::AnswerToOther);
        QCOMPARE(heard[1].endMs, 1000.0);
        const double answerLength = kAnswerToPrimary.size() * kCharacterMs;
        QVERIFY(qAbs(heard[1].startMs - (1000.0 - answerLength)) < 1e-6);
        QVERIFY(qAbs(heard[0].endMs - heard[1].startMs) < 1e-6);
        QCOMPARE(heard[1].frame.command, 1);
        QCOMPARE(heard[1].bytes, kAnswerToPrimary);
    }

    // The token-passing rules on a clock of the test's own: after the frame of each row ends
    // at 1000 ms, the line is ours from `freeAfter` ms on and not a millisecond before.
    void whenTheLineIsOurs_data() {
        QTest::addColumn<bool>("primary");
        QTest::addColumn<QByteArray>("frame"); // empty: our own request went out
        QTest::addColumn<double>("freeAfterMs");
        using namespace link_timers;
        const double hold = characters(kHold), rt2 = characters(kRt2);
        QTest::newRow("answer to the other master: granted to us")
            << true << kAnswerToSecondary << hold;
        QTest::newRow("answer to us: the other master's RT2 first")
            << true << kAnswerToPrimary << rt2;
        QTest::newRow("burst naming us") << false << kBurstNamingSecondary << hold;
        QTest::newRow("burst naming the other master: RT1 of quiet")
            << false << kBurstNamingPrimary << characters(kSecondaryRt1);
        QTest::newRow("the other master's request: its answer is due")
            << false << kRequestFromPrimary << characters(kSecondaryRt1);
        QTest::newRow("a broken frame, primary: RT1 of quiet")
            << true << kAnswerToPrimary.chopped(1) + char(0) << characters(kPrimaryRt1);
        QTest::newRow("the request of another primary: its instrument's time to answer")
            << true << kRequestFromPrimary << characters(kSlaveTimeOut);
        QTest::newRow("our own request: its answer wait is the cycle's")
            << true << QByteArray() << 0.0;
    }
    void whenTheLineIsOurs() {
        QFETCH(bool, primary);
        QFETCH(QByteArray, frame);
        QFETCH(double, freeAfterMs);
        LineArbiter arbiter(primary ? MasterRole::Primary : MasterRole::Secondary);
        QVERIFY(arbiter.mayStart(0, false)); // listened to before: free
        if (frame.isEmpty()) {
            arbiter.sent(1000);
        } else {
            const QList<HeardFrame> heard =
                hear(arbiter.role(), {{frame, 1000}}, 1000 + characters(3));
            QCOMPARE(heard.size(), 1);
            arbiter.heard(heard[0]);
        }
        QVERIFY(!arbiter.mayStart(1000 + freeAfterMs - 0.5, false));
        QVERIFY(arbiter.mayStart(1000 + freeAfterMs, false));
        QVERIFY(!arbiter.mayStart(1000 + freeAfterMs, true)); // never into a frame on the line
    }
};

QTEST_APPLESS_MAIN(TestProtocolLine)
#include "tst_protocol_line.moc"
