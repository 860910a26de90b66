#pragma once

// The polling cycle on a loop held in memory: the port, the answer wait and the event yield in
// one stand-in, with the requests the cycle sends to the golden instrument.

#include "helpers.h"
#include "protocol/polling_cycle.h"

#include <QHash>
#include <QList>

#include <functional>
#include <optional>
#include <utility>

namespace ptest {

inline QByteArray shortRequest(int a) {
    return hex("FF FF FF FF") + withCheck(hex("02") + char(0x80 | a) + hex("00 00"));
}

// Commands 13 and 3 from the primary master to the one instrument on the loop, whose long
// address is 26 06 12 34 56.
inline const QByteArray kRequest13 = hex("FF FF FF FF FF 82 A6 06 12 34 56 0D 00 5F");
inline const QByteArray kRequest3 = hex("FF FF FF FF FF 82 A6 06 12 34 56 03 00 51");

// A written request that has an entry in `answers` makes that answer wait at the port; the
// test ticks the wait by hand.
struct Rig : protocol::HartPort, protocol::AnswerTimer, protocol::EventYield {
    QHash<QByteArray, QByteArray> answers;
    QList<QByteArray> written;
    QByteArray waiting;
    bool failReads = false, armed = false;
    qint64 waitingAgeMs = -1; // how long before each read its answer came
    std::function<void()> onYield = [] {};
    std::function<void()> tick;
    protocol::ProtocolState state;
    protocol::MemoryBoard board; // in its design state
    protocol::PollingCycle cycle{state, board, *this, *this, *this};

    std::optional<QByteArray> readAllWaiting() override {
        return failReads ? std::nullopt : std::optional(std::exchange(waiting, {}));
    }
    qint64 lastByteAgeMs() const override { return waitingAgeMs; }
    bool write(const QByteArray& frame) override {
        written << frame;
        waiting += answers.value(frame);
        return true;
    }
    void setHandler(std::function<void()> handler) override { tick = std::move(handler); }
    void arm() override { armed = true; }
    void disarm() override { armed = false; }
    bool isArmed() const override { return armed; }
    void yield() override { onYield(); }
    bool fire() { return armed && (tick(), true); }

    // The golden instrument at polling address `a`, answering command 0 and, if `answersAll`,
    // 13 and 3 with the golden answers.
    void addDevice(int a, bool answersAll = true) {
        const QByteArray preamble = hex("FF FF FF FF FF");
        answers[shortRequest(a)] = preamble + kAnswer0Hart5;
        if (answersAll) {
            answers[kRequest13] = preamble + kAnswer13;
            answers[kRequest3] = preamble + kAnswer3;
        }
    }
    QString row(int r) const { return cellText(board, r, protocol::kAllColumns); }
};

} // namespace ptest
