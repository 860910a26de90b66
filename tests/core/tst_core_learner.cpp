// A master that only listens learns the loop from the traffic of others: golden frames as the
// line carries them, found by the line's framer, and what the board and the model make of them.

#include "core/line_learner.h"
#include "core/line_log.h"

#include "helpers.h" // golden answers and the board's cells
#include "protocol/line_framer.h"

#include <QtTest>

using ptest::hex;
using ptest::withCheck;

namespace {

const QByteArray kPreamble = hex("FF FF FF FF FF");

// The learner and what it writes to, fed whole frames as the framer finds them on the line.
struct Listener {
    QDateTime now{QDate(2026, 12, 8), QTime(10, 0)};
    protocol::ProtocolState state;
    protocol::MemoryBoard board;
    field::FieldModel model{[this] { return now; }};
    core::LineLearner learner{state, board, model};
    qint64 clockMs = 1000;
    protocol::LineFramer framer{
        protocol::MasterRole::Secondary,
        [this](const protocol::HeardFrame& f) { learner.hear(f, clockMs); }};

    void hear(const QByteArray& frame) {
        clockMs += 500;
        framer.feed(kPreamble + frame, double(clockMs));
        framer.quietUntil(double(clockMs + 100));
    }
    QString row(int address) const {
        return ptest::cellText(board, address, protocol::kAllColumns);
    }
};

} // namespace

class CoreLearnerTest : public QObject {
    Q_OBJECT
private slots:
    // A control system finds the instrument at address 1 with command 0, then reads its tag and
    // values by its long address: the board row fills as the pass would fill it, the model
    // takes every answer. Answers to an instrument not yet placed wait in the list of the
    // unplaced; requests say nothing of an instrument.
    void learnsFromAnotherMaster() {
        Listener l;
        l.hear(withCheck(hex("82 A6 06 12 34 56 03 00"))); // the primary asks command 3
        l.hear(ptest::kAnswer3);                           // answered before it was placed
        QCOMPARE(l.learner.unplaced().size(), size_t(1));
        QCOMPARE(l.board.caption(protocol::Column::Label14, 1), QString());
        l.hear(withCheck(hex("02 80 00 00"))); // command 0 to address 0: nobody answers
        l.hear(withCheck(hex("02 81 00 00"))); // and to address 1
        QCOMPARE(l.learner.unplaced().size(), size_t(1));
        l.hear(ptest::kAnswer0Hart5);
        QVERIFY(l.learner.unplaced().empty());
        QVERIFY(l.model.instrument(1).answering);
        l.hear(ptest::kAnswer13);
        l.hear(ptest::kAnswer3);
        const QString row = l.row(1);
        QVERIFY2(row.startsWith("01a|2606123456a|PT-101  a|TEST DEVICE     a|05.03.2009a|"),
                 qPrintable(row));
        QVERIFY2(row.contains("|12.5a|1.23a|"), qPrintable(row));
        QCOMPARE(*l.model.instrument(1).variables->loopCurrent, 12.5f);
        QCOMPARE(l.model.instrument(1).tag->tag, "PT-101  ");
        QCOMPARE(l.row(0), ptest::cellText(protocol::MemoryBoard(), 0, protocol::kAllColumns));

        // Silent for half a minute: the row goes blank and the instrument is not answering.
        l.clockMs += core::LineLearner::kSilentAfterMs;
        l.learner.quietRows(l.clockMs);
        QCOMPARE(l.board.caption(protocol::Column::Label1, 1), QString());
        QVERIFY(!l.model.instrument(1).answering);
    }

    // Command 7 names the polling address of an instrument asked by its long address only;
    // a burst frame of a placed instrument goes to its values as published.
    void placedByCommand7() {
        Listener l;
        const QByteArray longAddress = hex("A4 3E 0B 5C 7E");
        l.hear(withCheck(hex("86") + longAddress + hex("07 04 00 00 05 01")));
        QVERIFY(l.learner.unplaced().empty());
        l.hear(withCheck(hex("81") + longAddress + hex("01 07 00 00 20 42 AA 80 00")));
        const field::Instrument& five = l.model.instrument(5);
        QVERIFY(five.lastPublished());
        QCOMPARE(five.variables->values[0]->value, 85.25f);
        QVERIFY(five.details.count(7));
        // Out of the board's sixteen rows: not placed.
        l.hear(withCheck(hex("86 A4 3E 0B 5C 7F 07 04 00 00 20 01")));
        l.hear(withCheck(hex("86 A4 3E 0B 5C 7F 03 06 00 00 41 48 00 00")));
        QCOMPARE(l.learner.unplaced().size(), size_t(1));
    }

    // The line log of a transaction and a burst: each frame's kind and master, the gap since
    // the frame before, an answer's turnaround since its master's request; and never more than
    // the last kKept frames.
    void lineLogTimesTheFrames() {
        core::LineLog log;
        double at = 0;
        protocol::LineFramer framer{protocol::MasterRole::Secondary,
                                    [&](const protocol::HeardFrame& f) { log.add(f, false, 0); }};
        const auto hear = [&](double gapMs, const QByteArray& frame) {
            at += gapMs;
            framer.feed(kPreamble + frame, at + (kPreamble.size() + frame.size()) * 9.167);
            at += (kPreamble.size() + frame.size()) * 9.167;
            framer.quietUntil(at + 50);
        };
        hear(0, withCheck(hex("82 A6 06 12 34 56 03 00")));
        hear(20, ptest::kAnswer3);
        hear(80, withCheck(hex("81 26 06 12 34 56 01 07 00 00 0C 42 C8 00 00")));
        QStringList said;
        for (const core::LineEntry& e : log.entries())
            said << QStringLiteral("%1 m%2 %3 gap %4 turn %5")
                        .arg(int(e.kind))
                        .arg(e.masterBit)
                        .arg(QString::fromLatin1(e.longAddress.toHex()))
                        .arg(qRound(e.gapMs))
                        .arg(qRound(e.turnaroundMs));
        QCOMPARE(said,
                 (QStringList{"0 m1 2606123456 gap -1 turn -1", "1 m1 2606123456 gap 20 turn 20",
                              "2 m0 2606123456 gap 80 turn -1"}));
        for (int k = 0; k < core::LineLog::kKept; ++k)
            log.add(protocol::HeardFrame{}, true, k);
        QCOMPARE(log.entries().size(), size_t(core::LineLog::kKept));
        QCOMPARE(log.total(), quint64(core::LineLog::kKept + 3));
        QCOMPARE(log.entries().front().number, quint64(4));
    }
};

QTEST_GUILESS_MAIN(CoreLearnerTest)
#include "tst_core_learner.moc"
