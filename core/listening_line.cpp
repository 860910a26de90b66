#include "listening_line.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <utility>

namespace core {

using protocol::HeardFrame;

namespace {

bool mayBeAnswer(const QByteArray& partial) {
    const int at = int(std::find_if(partial.cbegin(), partial.cend(),
                                    [](char b) { return quint8(b) != protocol::kPreambleByte; }) -
                       partial.cbegin());
    if (at >= partial.size())
        return true; // preamble only: whose, nobody can tell yet
    const quint8 type = quint8(partial.at(at)) & protocol::kFrameTypeBits;
    return type == quint8(protocol::FrameType::Answer);
}

} // namespace

ListeningLine::ListeningLine(protocol::HartPort& port, QObject* parent)
    : QObject(parent), m_port(port),
      // A silence of three characters, not one, breaks a frame: bytes reach a program through
      // a driver and often a USB bridge in bursts, and their times are only known to a few
      // milliseconds; a gap of one character is below what can be told apart here.
      m_framer(
          protocol::MasterRole::Primary, [this](const HeardFrame& frame) { heard(frame); },
          3 * protocol::kCharacterMs),
      m_arbiter(protocol::MasterRole::Primary) {
    m_clock.start();
    m_epochUsAtStart = QDateTime::currentMSecsSinceEpoch() * 1000;
    m_lookAgain.setSingleShot(true);
    connect(&m_lookAgain, &QTimer::timeout, this, &ListeningLine::tryToSend);
}

void ListeningLine::setRole(protocol::MasterRole role) {
    m_framer.setRole(role);
    m_arbiter.setRole(role);
}

void ListeningLine::bytesArrived() {
    const std::optional<QByteArray> bytes = m_port.readArrived();
    if (bytes && !bytes->isEmpty())
        hear(*bytes, nowMs());
}

void ListeningLine::hear(const QByteArray& bytes, double atMs) {
    m_asRead += bytes;
    m_asReadAtMs = atMs;
    m_framer.feed(bytes, atMs);
}

std::optional<QByteArray> ListeningLine::readAllWaiting() {
    const std::optional<QByteArray> bytes = m_port.readAllWaiting();
    const double now = nowMs();
    if (bytes && !bytes->isEmpty())
        hear(*bytes, now);
    m_framer.quietUntil(now);
    if (!m_shared) {
        // Alone on the line: every byte since the last read, as the port itself gives them.
        m_forCycle.clear();
        m_pendingGiven = int(m_framer.pendingBytes().size());
        m_answerDue = false;
        const QByteArray all = std::exchange(m_asRead, QByteArray());
        m_lastByteAgeMs = all.isEmpty() ? -1 : qint64(std::max(0.0, now - m_asReadAtMs));
        if (!bytes && all.isEmpty())
            return std::nullopt; // a failed read is nothing received
        return all;
    }
    m_asRead.clear();
    QByteArray ours = std::exchange(m_forCycle, QByteArray());
    // An answer still on its way is read as far as it came, as the port alone would give it;
    // a frame that its delimiter already shows to be a request or a burst is not one.
    if (m_answerDue && m_framer.busy() && mayBeAnswer(m_framer.pendingBytes())) {
        ours += m_framer.pendingBytes().mid(m_pendingGiven);
        m_pendingGiven = int(m_framer.pendingBytes().size());
        m_lastOursMs = now;
    }
    m_answerDue = false;
    m_lastByteAgeMs = ours.isEmpty() ? -1 : qint64(std::max(0.0, now - m_lastOursMs));
    if (!bytes && ours.isEmpty())
        return std::nullopt; // a failed read is nothing received
    return ours;
}

bool ListeningLine::write(const QByteArray& frame) {
    if (m_listenOnly)
        return false; // not a byte while only listening
    const double startMs = nowMs();
    const bool written = m_port.write(frame);
    const double endMs = startMs + frame.size() * protocol::kCharacterMs;
    m_arbiter.sent(endMs);
    if (written)
        emit frameOnTheLine({HeardFrame::Kind::OurRequest, frame, protocol::HartFrame::parse(frame),
                             startMs, endMs},
                            true);
    m_lastSent = frame;
    m_answerDue = true;
    return written;
}

void ListeningLine::whenLineFree(std::function<void()> go) {
    if (!m_shared) {
        go(); // nobody else heard: the line is ours, as it always was
        return;
    }
    m_waiting = std::move(go);
    m_waitingSinceMs = nowMs();
    tryToSend();
}

void ListeningLine::tryToSend() {
    if (!m_waiting)
        return;
    bytesArrived(); // what is on the line now decides
    const double now = nowMs();
    m_framer.quietUntil(now);
    if (m_arbiter.mayStart(now, m_framer.busy()) || now - m_waitingSinceMs >= kLongestWaitMs) {
        m_lookAgain.stop();
        std::function<void()> go = std::exchange(m_waiting, nullptr);
        go();
        return;
    }
    const double wait = m_framer.busy() ? protocol::kCharacterMs : m_arbiter.earliestStart() - now;
    m_lookAgain.start(std::max(1, int(std::ceil(wait))));
}

void ListeningLine::heard(const HeardFrame& frame) {
    m_arbiter.heard(frame);
    const int given = std::exchange(m_pendingGiven, 0);
    using Kind = HeardFrame::Kind;
    const bool someoneElses = frame.kind == Kind::OtherRequest ||
                              frame.kind == Kind::AnswerToOther || frame.kind == Kind::Burst;
    // Our own request, when the modem hears it back, is nobody's news.
    const bool ourEcho = frame.kind == Kind::OurRequest &&
                         frame.bytes.mid(frame.frame.preambleLength) ==
                             m_lastSent.mid(protocol::HartFrame::parse(m_lastSent).preambleLength);
    if (!ourEcho)
        emit frameOnTheLine(frame, false);
    if (!someoneElses && !ourEcho && frame.kind != Kind::OurRequest && m_answerDue) {
        m_forCycle += frame.bytes.mid(given);
        m_lastOursMs = frame.endMs;
        return;
    }
    if (ourEcho)
        return;
    // From the first frame of someone else's on, the line is shared: requests wait their turn
    // and the pass reads only its own.
    if (someoneElses || frame.kind == Kind::OurRequest)
        m_shared = true;
    emit frameHeard(frame);
}

} // namespace core
