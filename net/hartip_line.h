#pragma once

#include "net/hartip_session.h"
#include "protocol/cycle_ports.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace net {

// A HART-IP session as the polling cycle's line: a request goes out as a token-passing PDU
// without its preamble, and the answer wait ends as soon as the answer is in, or after the
// session's answer timeout, instead of after the serial line's fixed 600 ms.
class HartIpLine : public QObject, public protocol::HartPort, public protocol::AnswerTimer {
    Q_OBJECT
public:
    // `fallbackMs`: how long a step lasts whose request the open session would not take.
    explicit HartIpLine(HartIpSession& session, int fallbackMs = 2000, QObject* parent = nullptr);

    // HartPort.
    std::optional<QByteArray> readAllWaiting() override;
    qint64 lastByteAgeMs() const override { return m_lastByteAgeMs; }
    bool write(const QByteArray& frame) override;

    // AnswerTimer: armed after a write; its handler runs once, when the wait is over.
    void setHandler(std::function<void()> handler) override;
    void arm() override;
    void disarm() override;
    bool isArmed() const override { return m_armed; }

private:
    void waitOver();

    HartIpSession& m_session;
    QByteArray m_received;
    std::function<void()> m_handler;
    bool m_armed = false;
    bool m_over = false; // the answer (or its absence) came before the wait was armed
    QTimer m_fallback;   // a request the session would not take still ends its step
    int m_fallbackMs = 2000;
    // A step takes at least this long, so a server that answers at once (loopback) is not
    // polled flat out: 22 steps make a pass of under half a second.
    static constexpr int kShortestStepMs = 20;
    QElapsedTimer m_sinceWrite;
    QElapsedTimer m_sinceAnswer; // since the session handed over the answer
    qint64 m_lastByteAgeMs = -1;
    QTimer m_pace;
};

} // namespace net
