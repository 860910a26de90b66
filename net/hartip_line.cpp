#include "hartip_line.h"

#include "protocol/hart_frame.h"
#include "protocol/qt_cycle_ports.h"

namespace net {

HartIpLine::HartIpLine(HartIpSession& session, int fallbackMs, QObject* parent)
    : QObject(parent), m_session(session), m_fallbackMs(fallbackMs) {
    m_fallback.setSingleShot(true);
    connect(&m_fallback, &QTimer::timeout, this, &HartIpLine::waitOver);
    m_pace.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, &HartIpLine::waitOver);
    m_sinceWrite.start();
    connect(&session, &HartIpSession::answered, this, [this](const QByteArray& frame) {
        m_received += frame;
        m_sinceAnswer.start();
        waitOver();
    });
    connect(&session, &HartIpSession::timedOut, this, &HartIpLine::waitOver);
    // A step waiting because there was no session ends as soon as there is one: the request
    // goes out at once, not after the wait.
    connect(&session, &HartIpSession::stateChanged, this, [this] {
        if (m_session.state() == HartIpSessionMachine::State::Open && m_fallback.isActive()) {
            m_fallback.stop();
            waitOver();
        }
    });
}

std::optional<QByteArray> HartIpLine::readAllWaiting() {
    m_lastByteAgeMs =
        m_received.isEmpty() || !m_sinceAnswer.isValid() ? -1 : m_sinceAnswer.elapsed();
    return std::exchange(m_received, {});
}

bool HartIpLine::write(const QByteArray& frame) {
    QByteArray bare = frame;
    while (bare.startsWith(char(protocol::kPreambleByte)))
        bare.remove(0, 1);
    m_over = false;
    m_sinceWrite.restart();
    if (m_session.ask(bare))
        return true;
    // Not open, or still waiting: the step ends with nothing received, as on a serial line where
    // nobody answers. With no session at all it lasts the serial line's answer wait, so that the
    // board shows nobody answering no later than it would with the modem unplugged.
    m_fallback.start(m_session.state() == HartIpSessionMachine::State::Open
                         ? m_fallbackMs
                         : protocol::kAnswerWaitMs);
    return false;
}

void HartIpLine::setHandler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

void HartIpLine::arm() {
    m_armed = true;
    if (m_over) // answered while the step was still yielding
        QMetaObject::invokeMethod(this, &HartIpLine::waitOver, Qt::QueuedConnection);
}

void HartIpLine::disarm() {
    m_armed = false;
}

void HartIpLine::waitOver() {
    m_over = true;
    if (!m_armed || !m_handler)
        return;
    const qint64 early = kShortestStepMs - m_sinceWrite.elapsed();
    if (early > 0) {
        m_pace.start(int(early));
        return;
    }
    m_armed = false;
    m_over = false;
    m_fallback.stop();
    m_handler();
}

} // namespace net
