// The HART-IP session's rules on a fake clock: opening, refusal, keep-alive, requests matched by
// sequence number, timeouts, and opening again after a failure.

#include "net/hartip_session_machine.h"

#include "helpers.h"

#include <QtTest>

using net::HartIpSessionMachine;
using ptest::hex;
using State = HartIpSessionMachine::State;
using Failure = HartIpSessionMachine::Failure;

namespace {

// The server's response to the request with `sequence`: type 1, the same id, `status`, `body`.
QByteArray response(int id, int sequence, int status, const QByteArray& body = {},
                    int version = 1) {
    protocol::hartip::Message message;
    message.version = quint8(version);
    message.type = protocol::hartip::MessageType::Response;
    message.id = protocol::hartip::MessageId(id);
    message.status = quint8(status);
    message.sequence = quint16(sequence);
    message.body = body;
    return message.encode();
}

// A session opened at time 0 with the default 60 s timer: sequence 1 is spent.
HartIpSessionMachine opened(bool datagrams = false) {
    HartIpSessionMachine session({60000, 2000, 1000, datagrams});
    session.start(0);
    session.connected(0);
    session.received(response(0, 1, 0, hex("01 00 00 EA 60")), 10);
    return session;
}

} // namespace

class TestNetSession : public QObject {
    Q_OBJECT
private slots:
    void opensAsPrimaryMaster() {
        HartIpSessionMachine session({60000, 2000, 1000, false});
        QVERIFY(session.start(0).connect);
        QCOMPARE(session.connected(0).send, hex("01 00 00 00 00 01 00 0D 01 00 00 EA 60"));
        QCOMPARE(session.state(), State::Initiating);
        // The server set its own timer (status 8): that one counts.
        session.received(response(0, 1, 8, hex("01 00 00 75 30")), 5);
        QCOMPARE(session.state(), State::Open);
        QCOMPARE(session.inactivityMs(), quint32(30000));
    }

    // Over UDP a datagram may be lost: Session Initiate goes again every half second while its
    // wait lasts, and the answer to any of them opens the session ("already open" too, to one
    // sent again). Over TCP nothing is sent twice. The wait itself does not grow.
    void initiateSentAgainOverUdp_data() {
        QTest::addColumn<bool>("datagrams");
        QTest::addColumn<int>("answeredSequence"); // 0: none
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("state");
        QTest::newRow("UDP, the second answered") << true << 2 << 0 << int(State::Open);
        QTest::newRow("UDP, already open to the third") << true << 3 << 16 << int(State::Open);
        QTest::newRow("UDP, already open to the first") << true << 1 << 16 << int(State::Paused);
        QTest::newRow("UDP, never answered") << true << 0 << 0 << int(State::Paused);
        QTest::newRow("TCP, never answered") << false << 0 << 0 << int(State::Paused);
    }
    void initiateSentAgainOverUdp() {
        QFETCH(bool, datagrams);
        QFETCH(int, answeredSequence);
        QFETCH(int, status);
        QFETCH(int, state);
        HartIpSessionMachine session({60000, 2000, 1000, datagrams});
        session.start(0);
        session.connected(0);
        QVERIFY(session.tick(499).send.isEmpty());
        const QByteArray again = session.tick(500).send;
        QCOMPARE(again, datagrams ? hex("01 00 00 00 00 02 00 0D 01 00 00 EA 60") : QByteArray());
        QCOMPARE(session.tick(1000).send.isEmpty(), !datagrams);
        if (answeredSequence > 0)
            session.received(response(0, answeredSequence, status, hex("01 00 00 EA 60")), 1100);
        else
            QVERIFY(session.tick(2000).disconnect);
        QCOMPARE(int(session.state()), state);
    }

    // Refused, or never answered: the session waits and opens again by itself.
    void failsAndComesBack_data() {
        QTest::addColumn<bool>("refused");
        QTest::newRow("all sessions in use") << true;
        QTest::newRow("no answer") << false;
    }
    void failsAndComesBack() {
        QFETCH(bool, refused);
        HartIpSessionMachine session({60000, 2000, 1000, false});
        session.start(0);
        session.connected(0);
        HartIpSessionMachine::Actions actions =
            refused ? session.received(response(0, 1, 15), 50) : session.tick(2000);
        QVERIFY(actions.disconnect);
        QCOMPARE(session.state(), State::Paused);
        QCOMPARE(session.failure(), refused ? Failure::Refused : Failure::NoAnswer);
        QCOMPARE(session.refusedStatus(), refused ? 15 : -1);
        const qint64 failedAt = refused ? 50 : 2000;
        QVERIFY(!session.tick(failedAt + 999).connect);
        QVERIFY(session.tick(failedAt + 1000).connect);
        QCOMPARE(session.connected(failedAt + 1000).send.mid(4, 2), hex("00 02"));
        session.received(response(0, 2, 0, hex("01 00 00 EA 60")), failedAt + 1001);
        QCOMPARE(session.state(), State::Open);
        QCOMPARE(session.failure(), Failure::None);
    }

    // One request at a time, its answer known by its sequence number.
    void requestsMatchedBySequence() {
        HartIpSessionMachine session = opened();
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 100, &actions));
        QCOMPARE(actions.send, hex("01 00 03 00 00 02 00 0D 02 81 00 00 83"));
        QVERIFY(!session.ask(hex("02 82 00 00 80"), 110, &actions)); // the first waits
        // A response to another request is ignored; the right one, arriving in two pieces, is
        // the answer.
        QVERIFY(!session.received(response(3, 7, 0, hex("06 81 00")), 120).answered);
        QCOMPARE(session.ignored(), 1);
        const QByteArray whole = response(3, 2, 0, hex("06 81 00 02 00 00 85"));
        QVERIFY(!session.received(whole.left(10), 130).answered);
        const auto answered = session.received(whole.mid(10), 140).answered;
        QCOMPARE(answered.value_or(QByteArray()), hex("06 81 00 02 00 00 85"));
        QVERIFY(!session.waitingForAnswer());
        // Unanswered: over after the timeout, the session stays open.
        QVERIFY(session.ask(hex("02 82 00 00 80"), 200, &actions));
        QVERIFY(!session.tick(2199).timedOut);
        QVERIFY(session.tick(2200).timedOut);
        QCOMPARE(session.state(), State::Open);
    }

    // A body longer than its HART frame: the frame is the answer (or the publication), the rest
    // is ignored and counted, however long it is.
    void surplusAfterTheFrameIgnored() {
        HartIpSessionMachine session = opened();
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 100, &actions));
        const QByteArray frame = hex("06 81 00 02 00 00 85");
        const auto answered =
            session.received(response(3, 2, 0, frame + QByteArray(60000, '\x55')), 120).answered;
        QCOMPARE(answered.value_or(QByteArray()), frame);
        QCOMPARE(session.ignored(), 1);
        protocol::hartip::Message publish;
        publish.type = protocol::hartip::MessageType::Publish;
        publish.id = protocol::hartip::MessageId::TokenPassingPdu;
        publish.body = hex("81 BC 51 10 20 31 03 02 00 00 6C 00 00");
        QCOMPARE(session.received(publish.encode(), 130).published,
                 QList<QByteArray>{publish.body.chopped(2)});
        QCOMPARE(session.ignored(), 2);
    }

    // A HART frame that is not whole, or whose check byte is wrong, is no answer: ignored and
    // counted, the request still waiting. Published frames are held to the same.
    void unsoundFramesIgnored_data() {
        QTest::addColumn<QByteArray>("received");
        QTest::newRow("check byte wrong") << response(3, 2, 0, hex("06 81 00 02 00 00 86"));
        QTest::newRow("frame cut short") << response(3, 2, 0, hex("06 81 00 02 00"));
        protocol::hartip::Message publish;
        publish.type = protocol::hartip::MessageType::Publish;
        publish.id = protocol::hartip::MessageId::TokenPassingPdu;
        publish.body = hex("81 BC 51 10 20 31 03 02 00 00 1C");
        QTest::newRow("published, check byte wrong") << publish.encode();
    }
    void unsoundFramesIgnored() {
        QFETCH(QByteArray, received);
        HartIpSessionMachine session = opened();
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 100, &actions));
        actions = session.received(received, 120);
        QVERIFY(!actions.answered && actions.published.isEmpty());
        QCOMPARE(session.ignored(), 1);
        QVERIFY(session.waitingForAnswer());
        QVERIFY(session.tick(2100).timedOut);
    }

    // A request unanswered while the server said nothing at all: Keep Alive asks whether the
    // server is still there (over UDP nothing else would tell). The next frame asked meanwhile
    // waits for that answer, then goes out; no answer ends the session.
    void silentServerAskedIfThere_data() {
        QTest::addColumn<bool>("there");
        QTest::newRow("server there") << true;
        QTest::newRow("server gone") << false;
    }
    void silentServerAskedIfThere() {
        QFETCH(bool, there);
        HartIpSessionMachine session = opened(true);
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 100, &actions));
        actions = session.tick(2100);
        QVERIFY(actions.timedOut);
        QCOMPARE(actions.send, hex("01 00 02 00 00 03 00 08"));
        HartIpSessionMachine::Actions held;
        QVERIFY(session.ask(hex("02 82 00 00 80"), 2150, &held));
        QVERIFY(held.send.isEmpty());
        if (there) {
            actions = session.received(response(2, 3, 0), 2160);
            QCOMPARE(actions.send, hex("01 00 03 00 00 04 00 0D 02 82 00 00 80"));
            QVERIFY(session.waitingForAnswer());
            QCOMPARE(session.state(), State::Open);
        } else {
            actions = session.tick(4100);
            QVERIFY(actions.timedOut && actions.disconnect);
            QCOMPARE(session.failure(), Failure::NoAnswer);
        }
    }

    // Quiet for a third of the timer: Keep Alive; unanswered, the session is dead.
    // A response is the instrument's answer only when it answers the token-passing PDU asked:
    // a Keep Alive's or a Session Initiate's response with the same sequence number, whose body
    // happens to be a sound frame, is not.
    void answerIsATokenPassingResponse_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("answered");
        QTest::newRow("token-passing PDU") << 3 << true;
        QTest::newRow("Keep Alive") << 2 << false;
        QTest::newRow("Session Initiate") << 0 << false;
    }
    void answerIsATokenPassingResponse() {
        QFETCH(int, id);
        QFETCH(bool, answered);
        HartIpSessionMachine session = opened();
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 100, &actions));
        const auto got = session.received(response(id, 2, 0, hex("06 81 00 02 00 00 85")), 120);
        QCOMPARE(got.answered.has_value(), answered);
        QCOMPARE(session.waitingForAnswer(), !answered);
    }

    // A server that set its inactivity timer to 0 is still asked whether it is there, at the
    // program's own interval (a third of the 60 s asked for).
    void quietSessionProbedWhenTheServerSetNoTimer() {
        HartIpSessionMachine session({60000, 2000, 1000, false});
        session.start(0);
        session.connected(0);
        session.received(response(0, 1, 0, hex("01 00 00 00 00")), 10);
        QCOMPARE(session.inactivityMs(), 0u);
        QVERIFY(session.tick(19999).send.isEmpty());
        QCOMPARE(session.tick(20000).send, hex("01 00 02 00 00 02 00 08"));
    }

    void keepAlive() {
        HartIpSessionMachine session = opened();
        QVERIFY(session.tick(19999).send.isEmpty());
        QCOMPARE(session.tick(20000).send, hex("01 00 02 00 00 02 00 08"));
        session.received(response(2, 2, 0), 20010);
        QCOMPARE(session.state(), State::Open);
        QVERIFY(session.tick(39999).send.isEmpty());
        QVERIFY(!session.tick(40010).send.isEmpty());
        const HartIpSessionMachine::Actions dead = session.tick(42010);
        QVERIFY(dead.disconnect);
        QCOMPARE(session.failure(), Failure::NoAnswer);
    }

    // Only a response of the kind asked, to the sequence number waited for, is the answer: a
    // Publish, an Error or a NAK carrying that number is not. Over UDP what follows a message in
    // its datagram is not carried into the next one. A second frame asked while a Keep Alive
    // waits is refused, not put in place of the first.
    void onlyTheResponseAnswers() {
        HartIpSessionMachine session = opened(true);
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 100, &actions));
        const QByteArray frame = hex("06 81 00 02 00 00 85");
        for (const auto type :
             {protocol::hartip::MessageType::Publish, protocol::hartip::MessageType::Error,
              protocol::hartip::MessageType::Nak}) {
            protocol::hartip::Message other;
            other.type = type;
            other.id = protocol::hartip::MessageId::TokenPassingPdu;
            other.sequence = 2;
            other.body = frame;
            QVERIFY(!session.received(other.encode(), 110).answered);
        }
        // A datagram with the start of another message after the response: the next datagram
        // is read on its own.
        const QByteArray answer = response(3, 2, 0, frame);
        QVERIFY(session.received(answer + answer.left(5), 120).answered);
        QVERIFY(session.ask(hex("02 82 00 00 80"), 130, &actions));
        QCOMPARE(session.received(response(3, 3, 0, frame), 140).answered.value_or(QByteArray()),
                 frame);
        // A Keep Alive under way: the first frame asked waits for it, a second is refused.
        QVERIFY(!session.tick(40000).send.isEmpty());
        QVERIFY(session.ask(hex("02 81 00 00 83"), 40010, &actions));
        QVERIFY(!session.ask(hex("02 82 00 00 80"), 40020, &actions));
        QCOMPARE(session.received(response(2, 4, 0), 40030).send,
                 hex("01 00 03 00 00 05 00 0D 02 81 00 00 83"));
    }

    // A header no message can have: a stream cannot be read past it, a datagram can.
    void malformedHeader_data() {
        QTest::addColumn<bool>("datagrams");
        QTest::newRow("TCP") << false;
        QTest::newRow("UDP") << true;
    }
    void malformedHeader() {
        QFETCH(bool, datagrams);
        HartIpSessionMachine session = opened(datagrams);
        const HartIpSessionMachine::Actions actions =
            session.received(hex("07 01 03 00 00 02 00 08"), 100);
        QCOMPARE(session.ignored(), 1);
        QCOMPARE(actions.disconnect, !datagrams);
        QCOMPARE(session.state(), datagrams ? State::Open : State::Paused);
        if (!datagrams)
            QCOMPARE(session.failure(), Failure::StreamUnreadable);
    }

    // The transport lost while a request waits: the request is over, the session comes back.
    void connectionLost() {
        HartIpSessionMachine session = opened();
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 100, &actions));
        actions = session.disconnected(150);
        QVERIFY(actions.timedOut);
        QCOMPARE(session.failure(), Failure::ConnectionLost);
        QVERIFY(session.tick(1150).connect);
    }

    // Published data is no response: it is handed on, neither ignored nor taken for an answer.
    void published() {
        HartIpSessionMachine session = opened();
        protocol::hartip::Message publish;
        publish.type = protocol::hartip::MessageType::Publish;
        publish.id = protocol::hartip::MessageId::TokenPassingPdu;
        publish.sequence = 77;
        publish.body = hex("81 BC 51 10 20 31 03 02 00 00 6C");
        const HartIpSessionMachine::Actions actions = session.received(publish.encode(), 100);
        QCOMPARE(actions.published, QList<QByteArray>{publish.body});
        QVERIFY(!actions.answered);
        QCOMPARE(session.ignored(), 0);
    }

    // What a server that wants version 2 answers to a version-1 Initiate: a refusal in a
    // version-2 header, or TLS (an alert record) because it expected a handshake. Either is
    // told apart from an ordinary refusal, so the session can go secure.
    void versionRefused_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("failure");
        QTest::newRow("refusal in a version-2 header")
            << response(0, 1, 15, hex("01 00 00 EA 60"), 2) << int(Failure::VersionRefused);
        QTest::newRow("TLS alert") << hex("15 03 01 00 02 02 46") << int(Failure::VersionRefused);
        QTest::newRow("version-1 refusal") << response(0, 1, 15) << int(Failure::Refused);
        QTest::newRow("neither HART-IP nor TLS")
            << hex("15 04 01 00 02 02 46 00") << int(Failure::StreamUnreadable);
    }
    void versionRefused() {
        QFETCH(QByteArray, answer);
        QFETCH(int, failure);
        HartIpSessionMachine session({60000, 2000, 1000, false});
        session.start(0);
        session.connected(0);
        QVERIFY(session.received(answer, 20).disconnect);
        QCOMPARE(session.state(), State::Paused);
        QCOMPARE(int(session.failure()), failure);
    }

    // A secure session: Session Initiate in the clear, then TLS on the connection (version 2 in
    // every header); or TLS first and Initiate inside. Answered with TLS in the clear, the next
    // try begins with TLS; a failed handshake (the key) keeps the order; an order that opened a
    // session is kept after it fails.
    void secureOrder() {
        using Order = HartIpSessionMachine::SecureOrder;
        HartIpSessionMachine::Settings settings{60000, 2000, 1000, false, 2, true};
        HartIpSessionMachine session(settings);
        session.start(0);
        HartIpSessionMachine::Actions actions = session.connected(0);
        QCOMPARE(actions.send, hex("02 00 00 00 00 01 00 0D 01 00 00 EA 60"));
        QVERIFY(!actions.startTls);
        session.received(hex("15 03 03 00 02 02 28"), 5);
        QCOMPARE(session.failure(), Failure::TlsExpected);
        QCOMPARE(session.secureOrder(), Order::TlsFirst);
        QVERIFY(session.tick(1005).connect);
        actions = session.connected(1010);
        QVERIFY(actions.startTls && actions.send.isEmpty());
        QCOMPARE(session.state(), State::Securing);
        session.tlsFailed(1020);
        QCOMPARE(session.failure(), Failure::TlsRefused);
        QCOMPARE(session.secureOrder(), Order::TlsFirst);
        session.tick(2020);
        session.connected(2020);
        QCOMPARE(session.secured(2030).send, hex("02 00 00 00 00 02 00 0D 01 00 00 EA 60"));
        session.received(response(0, 2, 0, hex("01 00 00 EA 60"), 2), 2040);
        QCOMPARE(session.state(), State::Open);
        session.disconnected(3000);
        session.tick(4000);
        session.connected(4000);
        session.tick(6000); // no handshake: failed, but the order that worked stays
        QCOMPARE(session.failedIn(), State::Securing);
        QCOMPARE(session.secureOrder(), Order::TlsFirst);

        HartIpSessionMachine clearFirst(settings);
        clearFirst.start(0);
        clearFirst.connected(0);
        actions = clearFirst.received(response(0, 1, 0, hex("01 00 00 EA 60"), 2), 5);
        QVERIFY(actions.startTls);
        QCOMPARE(clearFirst.state(), State::Securing);
        clearFirst.secured(50);
        QCOMPARE(clearFirst.state(), State::Open);
        QVERIFY(clearFirst.ask(hex("02 80 00 00 82"), 60, &actions));
        QCOMPARE(actions.send, hex("02 00 03 00 00 02 00 0D 02 80 00 00 82"));
    }

    // Every stage has the answer timeout: the connection, the TLS handshake (before or after
    // Session Initiate), Session Initiate. The failure says which.
    void everyStageHasATimeLimit_data() {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<bool>("tlsFirst");
        QTest::addColumn<int>("reached"); // 0 nothing, 1 connected, 2 Initiate answered
        QTest::addColumn<int>("stage");
        QTest::newRow("connection") << false << false << 0 << int(State::Connecting);
        QTest::newRow("Session Initiate") << false << false << 1 << int(State::Initiating);
        QTest::newRow("TLS first") << true << true << 1 << int(State::Securing);
        QTest::newRow("TLS after Initiate") << true << false << 2 << int(State::Securing);
    }
    void everyStageHasATimeLimit() {
        QFETCH(bool, tls);
        QFETCH(bool, tlsFirst);
        QFETCH(int, reached);
        QFETCH(int, stage);
        HartIpSessionMachine session({60000, 2000, 1000, false, quint8(tls ? 2 : 1), tls});
        if (tlsFirst)
            session.setSecureOrder(HartIpSessionMachine::SecureOrder::TlsFirst);
        session.start(0);
        qint64 at = 0;
        if (reached >= 1)
            session.connected(at += 100);
        if (reached >= 2)
            session.received(response(0, 1, 0, hex("01 00 00 EA 60"), 2), at += 100);
        QCOMPARE(int(session.state()), stage);
        QVERIFY(!session.tick(at + 1999).disconnect);
        QVERIFY(session.tick(at + 2000).disconnect);
        QCOMPARE(session.failure(), Failure::NoAnswer);
        QCOMPARE(int(session.failedIn()), stage);
    }

    // Only whole messages say the server is there: bytes that never make one fail the session
    // once the answer timeout has passed since the first of them, and a request left unanswered
    // meanwhile is followed by a Keep Alive.
    void onlyWholeMessagesCount() {
        HartIpSessionMachine session = opened();
        HartIpSessionMachine::Actions actions;
        QVERIFY(session.ask(hex("02 81 00 00 83"), 1000, &actions));
        session.received(hex("01"), 1500);
        actions = session.tick(3000);
        QVERIFY(actions.timedOut);
        QCOMPARE(actions.send, hex("01 00 02 00 00 03 00 08"));
        session.received(hex("01"), 3100); // still the same message
        QVERIFY(!session.tick(3499).disconnect);
        QVERIFY(session.tick(3500).disconnect);
        QCOMPARE(session.failure(), Failure::MessageUnfinished);
    }

    // A server that answers Keep Alive but no request (it lost the session and took a Keep
    // Alive from anyone): after two passes' worth of requests, the session is opened again. An
    // answer in between starts the count anew.
    void requestsUnansweredWhileKeepAlivesAre() {
        HartIpSessionMachine::Settings settings{60000, 2000, 1000, true};
        settings.unansweredLimit = 3;
        HartIpSessionMachine session(settings);
        session.start(0);
        session.connected(0);
        session.received(response(0, 1, 0, hex("01 00 00 EA 60")), 10);
        quint16 sequence = 1;
        qint64 at = 100;
        const auto unanswered = [&] {
            HartIpSessionMachine::Actions actions;
            session.ask(hex("02 81 00 00 83"), at, &actions);
            ++sequence;
            actions = session.tick(at += 2000);
            if (!actions.send.isEmpty()) // the Keep Alive, answered
                session.received(response(2, ++sequence, 0), at += 10);
            at += 100;
            return actions;
        };
        unanswered();
        unanswered();
        HartIpSessionMachine::Actions actions;
        session.ask(hex("02 81 00 00 83"), at, &actions);
        session.received(response(3, ++sequence, 0, hex("06 81 00 02 00 00 85")), at += 10);
        unanswered();
        unanswered();
        QCOMPARE(session.state(), State::Open);
        actions = unanswered();
        QVERIFY(actions.timedOut && actions.disconnect);
        QCOMPARE(session.failure(), Failure::RequestsUnanswered);
    }

    void closes() {
        HartIpSessionMachine session = opened();
        const HartIpSessionMachine::Actions actions = session.close(500);
        QCOMPARE(actions.send, hex("01 00 01 00 00 02 00 08"));
        QVERIFY(actions.disconnect);
        QCOMPARE(session.state(), State::Closed);
        QVERIFY(!session.tick(5000).connect); // closed on purpose: it stays closed
    }
};

QTEST_GUILESS_MAIN(TestNetSession)
#include "tst_net_session.moc"
