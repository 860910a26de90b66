#pragma once

// A HART-IP version-2 server inside TLS with a pre-shared key, made for the tests: it opens a
// session, answers every token-passing PDU with one fixed frame, and notes the versions it was
// sent. It begins with TLS, or (`initiateInTheClear`) takes a version-2 Session Initiate in the
// clear and starts TLS after answering it. Version 1 in the clear is refused the way a
// version-2-only server might: a refusal in a version-2 header, a TLS alert, or the connection
// closed without a word.

#include "protocol/hartip_message.h"

#include <QList>
#include <QSocketNotifier>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>

#include <sys/socket.h>

class PskTestServer : public QTcpServer {
public:
    enum class InTheClear { RefuseInVersionTwo, TlsAlert, Close };

    PskTestServer(QByteArray identity, QByteArray key, QByteArray answer)
        : m_identity(std::move(identity)), m_key(std::move(key)), m_answer(std::move(answer)) {}

    // What a version-1 message in the clear gets. A version-2 Session Initiate in the clear
    // gets a TLS alert, unless the server takes it first (then TLS follows on the connection).
    InTheClear inTheClear = InTheClear::RefuseInVersionTwo;
    bool initiateInTheClear = false;
    QList<int> versionsSeen; // of every message taken inside TLS
    int sessionsInTheClear = 0;
    int handshakes = 0; // finished

protected:
    void incomingConnection(qintptr descriptor) override {
        // Whether the client starts with a TLS handshake is seen before anything is read.
        auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, descriptor] {
            notifier->setEnabled(false);
            notifier->deleteLater();
            char first = 0;
            if (::recv(int(descriptor), &first, 1, MSG_PEEK) == 1)
                accept(descriptor, first == 0x16);
        });
    }

private:
    void accept(qintptr descriptor, bool tlsFirst) {
        auto* socket = new QSslSocket(this);
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setProtocol(QSsl::TlsV1_2);
        QList<QSslCipher> psk;
        for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers())
            if (cipher.name().startsWith(QLatin1String("PSK-")))
                psk << cipher;
        configuration.setCiphers(psk);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->setSslConfiguration(configuration);
        connect(socket, &QSslSocket::preSharedKeyAuthenticationRequired, this,
                [this](QSslPreSharedKeyAuthenticator* authenticator) {
                    if (authenticator->identity() == m_identity)
                        authenticator->setPreSharedKey(m_key);
                });
        connect(socket, &QSslSocket::encrypted, this, [this] { ++handshakes; });
        connect(socket, &QIODevice::readyRead, this, [this, socket] {
            if (socket->isEncrypted())
                serve(socket);
            else
                takeInTheClear(socket);
        });
        socket->setSocketDescriptor(descriptor);
        if (tlsFirst)
            socket->startServerEncryption();
    }

    void serve(QSslSocket* socket) {
        m_stream += socket->readAll();
        protocol::hartip::Message request;
        while (protocol::hartip::Message::take(m_stream, &request) ==
               protocol::hartip::Message::Taken::Message) {
            versionsSeen << request.version;
            protocol::hartip::Message response = request;
            response.type = protocol::hartip::MessageType::Response;
            if (request.id == protocol::hartip::MessageId::TokenPassingPdu)
                response.body = m_answer;
            socket->write(response.encode());
        }
    }

    void takeInTheClear(QSslSocket* socket) {
        if (socket->mode() != QSslSocket::UnencryptedMode)
            return; // the handshake is under way
        QByteArray stream = socket->readAll();
        protocol::hartip::Message request;
        if (protocol::hartip::Message::take(stream, &request) !=
            protocol::hartip::Message::Taken::Message)
            return;
        ++sessionsInTheClear;
        const bool secureInitiate =
            request.version == 2 && request.id == protocol::hartip::MessageId::SessionInitiate;
        if (secureInitiate && initiateInTheClear) {
            protocol::hartip::Message answer = request;
            answer.type = protocol::hartip::MessageType::Response;
            socket->write(answer.encode());
            socket->startServerEncryption();
            return;
        }
        if (inTheClear == InTheClear::Close) {
            // nothing said: the connection just ends
        } else if (secureInitiate || inTheClear == InTheClear::TlsAlert) {
            socket->write(QByteArray::fromHex("15030300020228")); // handshake failure
        } else {
            protocol::hartip::Message refusal = request;
            refusal.version = 2;
            refusal.type = protocol::hartip::MessageType::Response;
            refusal.status = protocol::hartip::kAllSessionsInUse;
            socket->write(refusal.encode());
        }
        socket->disconnectFromHost();
    }

    QByteArray m_identity;
    QByteArray m_key;
    QByteArray m_answer;
    QByteArray m_stream;
};
