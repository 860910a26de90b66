#include "hartip_session_machine.h"

#include "protocol/hart_frame.h"

namespace net {

namespace ip = protocol::hartip;

namespace {

// A TLS record (an alert or a handshake, record version 3.x) where HART-IP was expected: what a
// server that only speaks version 2 over TLS sends back to a message in the clear.
bool startsWithTlsRecord(const QByteArray& bytes) {
    return bytes.size() >= 2 && (bytes.at(0) == 0x15 || bytes.at(0) == 0x16) && bytes.at(1) == 0x03;
}

// A HART frame that arrived whole with its check byte right; anything else carried in a PDU is
// not taken for the instrument's words.
bool soundFrame(const QByteArray& body) {
    const protocol::HartFrame frame = protocol::HartFrame::parse(body);
    return frame.complete && frame.checkMatches;
}

// The HART frame a body begins with, without what follows it (a body may be longer than its
// frame: the rest is nobody's, and a long one would cost at every step that shows the answer).
QByteArray frameAlone(const QByteArray& body, int* surplus) {
    const int length = protocol::HartFrame::parse(body).wholeLength();
    if (length < 0 || length >= body.size())
        return body;
    ++*surplus;
    return body.left(length);
}

} // namespace

QByteArray HartIpSessionMachine::message(ip::MessageId id, const QByteArray& body, qint64 nowMs) {
    ip::Message request;
    request.version = m_settings.version;
    request.id = id;
    request.sequence = ++m_sequence;
    request.body = body;
    m_lastSentMs = nowMs;
    return request.encode();
}

HartIpSessionMachine::Actions HartIpSessionMachine::start(qint64 nowMs) {
    Actions actions;
    m_state = State::Connecting;
    m_tlsUp = false;
    m_stageDeadlineMs = nowMs + m_settings.answerTimeoutMs;
    actions.connect = true;
    return actions;
}

HartIpSessionMachine::Actions HartIpSessionMachine::connected(qint64 nowMs) {
    Actions actions;
    if (m_state != State::Connecting)
        return actions;
    m_stream.clear();
    m_partialSinceMs = -1;
    m_unansweredInRow = 0;
    if (m_settings.tls && m_order == SecureOrder::TlsFirst) {
        m_state = State::Securing;
        m_stageDeadlineMs = nowMs + m_settings.answerTimeoutMs;
        actions.startTls = true;
        return actions;
    }
    sendInitiate(nowMs, actions);
    return actions;
}

HartIpSessionMachine::Actions HartIpSessionMachine::secured(qint64 nowMs) {
    Actions actions;
    if (m_state != State::Securing)
        return actions;
    m_tlsUp = true;
    m_stream.clear();
    if (m_order == SecureOrder::TlsFirst)
        sendInitiate(nowMs, actions);
    else
        opened();
    return actions;
}

HartIpSessionMachine::Actions HartIpSessionMachine::tlsFailed(qint64 nowMs) {
    Actions actions;
    if (m_state != State::Closed && m_state != State::Paused)
        fail(Failure::TlsRefused, nowMs, actions);
    return actions;
}

void HartIpSessionMachine::goSecure() {
    m_settings.tls = true;
    m_settings.version = 2;
}

void HartIpSessionMachine::sendInitiate(qint64 nowMs, Actions& actions) {
    m_state = State::Initiating;
    actions.send = initiateMessage(nowMs);
    m_firstInitiate = m_sequence;
    m_pending = Pending{Waiting::Initiate, m_sequence, nowMs + m_settings.answerTimeoutMs};
}

void HartIpSessionMachine::opened() {
    m_state = State::Open;
    m_failure = Failure::None;
    m_refusedStatus = -1;
    if (m_settings.tls)
        m_orderProven = true;
}

QByteArray HartIpSessionMachine::initiateMessage(qint64 nowMs) {
    ip::SessionInitiate initiate;
    initiate.masterType = ip::kPrimaryMaster;
    initiate.inactivityMs = m_settings.inactivityMs;
    return message(ip::MessageId::SessionInitiate, initiate.encode(), nowMs);
}

HartIpSessionMachine::Actions HartIpSessionMachine::received(const QByteArray& bytes,
                                                             qint64 nowMs) {
    Actions actions;
    if (m_state != State::Initiating && m_state != State::Open)
        return actions;
    if (m_settings.datagrams)
        m_stream = bytes; // a datagram is a message of its own; nothing carries over
    else
        m_stream += bytes;
    // An alert is shorter than a HART-IP header: it is known by its first bytes.
    if (m_state == State::Initiating && !m_tlsUp && !m_settings.datagrams &&
        startsWithTlsRecord(m_stream)) {
        ++m_ignored;
        m_stream.clear();
        fail(m_settings.version < 2 ? Failure::VersionRefused : Failure::TlsExpected, nowMs,
             actions);
        return actions;
    }
    for (;;) {
        ip::Message taken;
        const ip::Message::Taken result = ip::Message::take(m_stream, &taken);
        if (result == ip::Message::Taken::NeedMore)
            break;
        if (result == ip::Message::Taken::Malformed) {
            ++m_ignored;
            if (!m_settings.datagrams)
                fail(Failure::StreamUnreadable, nowMs, actions); // nothing after it can be framed
            m_stream.clear();
            break;
        }
        m_lastHeardMs = nowMs; // only a whole message says the server is there
        take(taken, nowMs, actions);
        if (m_state != State::Initiating && m_state != State::Open)
            break;
    }
    if (m_settings.datagrams)
        m_stream.clear();
    // A message begun must be finished within the answer timeout: a server that trickles bytes
    // without ever making a message of them is not there.
    if (m_stream.isEmpty())
        m_partialSinceMs = -1;
    else if (m_partialSinceMs < 0)
        m_partialSinceMs = nowMs;
    return actions;
}

ip::MessageId HartIpSessionMachine::answeringId(Waiting what) {
    switch (what) {
    case Waiting::Initiate:
        return ip::MessageId::SessionInitiate;
    case Waiting::KeepAlive:
        return ip::MessageId::KeepAlive;
    case Waiting::Frame:
        break;
    }
    return ip::MessageId::TokenPassingPdu;
}

void HartIpSessionMachine::take(const ip::Message& message, qint64 nowMs, Actions& actions) {
    if (message.type == ip::MessageType::Publish && m_state == State::Open &&
        message.id == ip::MessageId::TokenPassingPdu) {
        if (soundFrame(message.body))
            actions.published << frameAlone(message.body, &m_ignored);
        else
            ++m_ignored;
        return;
    }
    // Any of the Initiates sent over UDP may be the one answered.
    const bool expected = m_pending && (message.sequence == m_pending->sequence ||
                                        (m_pending->what == Waiting::Initiate &&
                                         quint16(message.sequence - m_firstInitiate) <=
                                             quint16(m_pending->sequence - m_firstInitiate)));
    if (message.type != ip::MessageType::Response || !expected ||
        message.id != answeringId(m_pending->what)) {
        // Published data is not this machine's; a stale or foreign response; a response with
        // the sequence number waited for but to another kind of message (a Keep Alive's
        // answer is never the instrument's).
        ++m_ignored;
        return;
    }
    if (m_pending->what == Waiting::Frame && !soundFrame(message.body)) {
        ++m_ignored; // the request still waits: for a sound answer or its timeout
        return;
    }
    const Waiting what = m_pending->what;
    m_pending.reset();
    switch (what) {
    case Waiting::Initiate:
        // "Already open" to an Initiate sent again: the first one got through, its answer did not.
        if (message.status == ip::kSuccess || message.status == ip::kTimerSetToOther ||
            (message.status == ip::kSessionAlreadyOpen && message.sequence != m_firstInitiate)) {
            const auto initiate = ip::SessionInitiate::parse(message.body);
            m_inactivityMs = initiate ? initiate->inactivityMs : m_settings.inactivityMs;
            if (clearBeforeTls()) {
                // Answered in the clear: TLS now, on the same connection.
                m_state = State::Securing;
                m_stageDeadlineMs = nowMs + m_settings.answerTimeoutMs;
                actions.startTls = true;
            } else {
                opened();
            }
        } else {
            m_refusedStatus = message.status;
            // A refusal in a version-2 header to a version-1 Initiate: the server wants the
            // secure session.
            fail(message.version >= 2 && m_settings.version < 2 ? Failure::VersionRefused
                                                                : Failure::Refused,
                 nowMs, actions);
        }
        break;
    case Waiting::KeepAlive:
        // The server is there: the frame asked meanwhile goes out now.
        if (m_held) {
            actions.send = this->message(ip::MessageId::TokenPassingPdu, *m_held, nowMs);
            m_pending = Pending{Waiting::Frame, m_sequence, nowMs + m_settings.answerTimeoutMs};
            m_held.reset();
        }
        break;
    case Waiting::Frame:
        m_unansweredInRow = 0;
        actions.answered = frameAlone(message.body, &m_ignored);
        break;
    }
}

HartIpSessionMachine::Actions HartIpSessionMachine::disconnected(qint64 nowMs) {
    Actions actions;
    if (m_state == State::Closed || m_state == State::Paused)
        return actions;
    fail(Failure::ConnectionLost, nowMs, actions);
    actions.disconnect = false; // already gone
    return actions;
}

void HartIpSessionMachine::fail(Failure failure, qint64 nowMs, Actions& actions) {
    if ((m_pending && m_pending->what == Waiting::Frame) || m_held)
        actions.timedOut = true; // the request asked will not be answered
    m_pending.reset();
    m_held.reset();
    m_failure = failure;
    m_failedIn = m_state;
    // A secure session that got as far as the server but not open, without being refused or
    // failing on its key, may have spoken in the order the server does not: the other next.
    if (m_settings.tls && !m_orderProven && m_state != State::Connecting &&
        m_state != State::Open && failure != Failure::Refused && failure != Failure::TlsRefused)
        m_order = m_order == SecureOrder::InitiateFirst ? SecureOrder::TlsFirst
                                                        : SecureOrder::InitiateFirst;
    m_stream.clear();
    m_partialSinceMs = -1;
    m_tlsUp = false;
    m_state = State::Paused;
    m_reconnectAtMs = nowMs + m_settings.reconnectMs;
    actions.disconnect = true;
}

HartIpSessionMachine::Actions HartIpSessionMachine::tick(qint64 nowMs) {
    Actions actions;
    if (m_state == State::Paused) {
        if (nowMs >= m_reconnectAtMs)
            actions = start(nowMs);
        return actions;
    }
    if (m_state == State::Connecting || m_state == State::Securing) {
        if (nowMs >= m_stageDeadlineMs)
            fail(Failure::NoAnswer, nowMs, actions);
        return actions;
    }
    if (m_partialSinceMs >= 0 && nowMs - m_partialSinceMs >= m_settings.answerTimeoutMs) {
        ++m_ignored;
        fail(Failure::MessageUnfinished, nowMs, actions);
        return actions;
    }
    if (m_pending && nowMs >= m_pending->deadlineMs) {
        if (m_pending->what == Waiting::Frame) {
            // An instrument that does not answer is the loop's business, not the session's. But
            // a server that said nothing at all for the whole wait may be gone (over UDP nothing
            // else would tell): Keep Alive asks whether it is still there.
            if (++m_unansweredInRow >= m_settings.unansweredLimit) {
                // Keep Alives may still be answered by a server that no longer knows the
                // session (it restarted, or a relay changed the client's port).
                fail(Failure::RequestsUnanswered, nowMs, actions);
                return actions;
            }
            m_pending.reset();
            actions.timedOut = true;
            if (nowMs - m_lastHeardMs >= m_settings.answerTimeoutMs) {
                actions.send = message(ip::MessageId::KeepAlive, {}, nowMs);
                m_pending =
                    Pending{Waiting::KeepAlive, m_sequence, nowMs + m_settings.answerTimeoutMs};
            }
            return actions;
        } else {
            fail(Failure::NoAnswer, nowMs, actions);
            return actions;
        }
    }
    // A datagram may be lost: over UDP, Session Initiate goes again every half second while
    // its wait lasts, so a server that is back is found without waiting for the whole timeout.
    if (m_settings.datagrams && m_state == State::Initiating && m_pending &&
        nowMs - m_lastSentMs >= kInitiateAgainMs) {
        actions.send = initiateMessage(nowMs);
        m_pending->sequence = m_sequence;
        return actions;
    }
    // Well before the server's inactivity timer runs out: a third of it gone quiet. A server
    // that set no timer (0) is still asked at the program's own interval, so a quiet session
    // that went away is noticed.
    const quint32 inactivityMs = m_inactivityMs > 0 ? m_inactivityMs : m_settings.inactivityMs;
    if (m_state == State::Open && !m_pending && inactivityMs > 0 &&
        nowMs - m_lastSentMs >= qint64(inactivityMs) / 3) {
        actions.send = message(ip::MessageId::KeepAlive, {}, nowMs);
        m_pending = Pending{Waiting::KeepAlive, m_sequence, nowMs + m_settings.answerTimeoutMs};
    }
    return actions;
}

bool HartIpSessionMachine::ask(const QByteArray& frame, qint64 nowMs, Actions* actions) {
    if (m_state == State::Open && m_pending && m_pending->what == Waiting::KeepAlive && !m_held) {
        m_held = frame; // sent once the Keep Alive is answered
        return true;
    }
    if (m_state != State::Open || m_pending)
        return false;
    actions->send = message(ip::MessageId::TokenPassingPdu, frame, nowMs);
    m_pending = Pending{Waiting::Frame, m_sequence, nowMs + m_settings.answerTimeoutMs};
    return true;
}

HartIpSessionMachine::Actions HartIpSessionMachine::close(qint64 nowMs) {
    Actions actions;
    if (m_state == State::Open)
        actions.send = message(ip::MessageId::SessionClose, {}, nowMs);
    if ((m_pending && m_pending->what == Waiting::Frame) || m_held)
        actions.timedOut = true;
    m_pending.reset();
    m_held.reset();
    m_state = State::Closed;
    actions.disconnect = true;
    return actions;
}

} // namespace net
