#pragma once

// Stand-ins for the port, the answer-wait timer and the event yield, so the polling cycle runs
// in tests without a serial line and without real time.

#include "protocol/cycle_ports.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace ptest {

// A loop of scripted instruments: each written request that has an entry in `answers` makes
// that answer wait at the port until the next read. Every frame written is recorded.
class FakePort final : public protocol::HartPort {
public:
    QHash<QByteArray, QByteArray> answers;
    QList<QByteArray> written;
    QByteArray waiting;      // bytes at the port that nobody has read yet
    bool failReads = false;  // every read fails while set
    bool failWrites = false; // every write fails (and sends nothing) while set
    int reads = 0;

    std::optional<QByteArray> readAllWaiting() override {
        ++reads;
        if (failReads)
            return std::nullopt;
        return std::exchange(waiting, QByteArray());
    }

    bool write(const QByteArray& frame) override {
        if (failWrites)
            return false;
        written.append(frame);
        const auto it = answers.constFind(frame);
        if (it != answers.constEnd())
            waiting += it.value();
        return true;
    }
};

// The answer wait, ticked by hand.
class FakeTimer final : public protocol::AnswerTimer {
public:
    void setHandler(std::function<void()> handler) override { m_handler = std::move(handler); }
    void arm() override {
        m_armed = true;
        ++arms;
    }
    void disarm() override { m_armed = false; }
    bool isArmed() const override { return m_armed; }

    // One tick; a disarmed timer does not tick. Returns whether it ticked.
    bool fire() {
        if (!m_armed || !m_handler)
            return false;
        m_handler();
        return true;
    }

    bool hasHandler() const { return bool(m_handler); }
    int arms = 0;

private:
    std::function<void()> m_handler;
    bool m_armed = false;
};

// Counts the yields and runs an injected action at a chosen one (counted from 1), once.
class FakeYield final : public protocol::EventYield {
public:
    void yield() override {
        ++count;
        const auto it = m_actions.find(count);
        if (it == m_actions.end())
            return;
        const std::function<void()> action = std::move(it->second);
        m_actions.erase(it);
        action();
    }

    void at(int n, std::function<void()> action) { m_actions[n] = std::move(action); }

    int count = 0;

private:
    std::map<int, std::function<void()>> m_actions;
};

} // namespace ptest
