#pragma once

#include "cycle_ports.h"

#include <QTimer>

namespace protocol {

constexpr int kAnswerWaitMs = 600;

// Timer3: a QTimer firing every 600 ms while armed.
class QtAnswerTimer final : public AnswerTimer {
public:
    QtAnswerTimer();
    void setHandler(std::function<void()> handler) override;
    void arm() override;
    void disarm() override;
    bool isArmed() const override;

private:
    QTimer m_timer;
    std::function<void()> m_handler;
};

// QCoreApplication::processEvents().
class QtEventYield final : public EventYield {
public:
    void yield() override;
};

} // namespace protocol
