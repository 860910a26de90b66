#pragma once

#include "cycle_ports.h"

#include <QDeadlineTimer>
#include <QTimer>

namespace protocol {

constexpr int kAnswerWaitMs = 600;

// Timer3: fires every 600 ms while armed, never early. Qt's default coarse timers may fire up to
// 5 % before their interval, which would cut a slow instrument's answer short and let it land in
// the next address's window; so this one keeps its own deadline and waits out any remainder.
class QtAnswerTimer final : public AnswerTimer {
public:
    explicit QtAnswerTimer(int intervalMs = kAnswerWaitMs);
    void setHandler(std::function<void()> handler) override;
    void arm() override;
    void disarm() override;
    bool isArmed() const override;

    int intervalMs() const { return m_intervalMs; }

private:
    void waitForDeadline();
    void onTimeout();

    const int m_intervalMs;
    QTimer m_timer;
    QDeadlineTimer m_deadline;
    std::function<void()> m_handler;
};

// QCoreApplication::processEvents().
class QtEventYield final : public EventYield {
public:
    void yield() override;
};

} // namespace protocol
