#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

struct mosquitto;
class QSocketNotifier;

namespace mqtt {

// One connection to an MQTT broker through libmosquitto, driven from the Qt event loop: the
// socket's readiness and a timer run the library, nothing waits. It connects, and connects again
// a second after every failure (a connection refused, lost, or not accepted within the time
// limit), each time with a fresh client: what was in flight is the caller's to send again.
// Messages go out with QoS 1.
class BrokerLink : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QString host;
        int port = 1883;
        bool tls = false;
        QString caFile;   // TLS: the certificate authority the broker's certificate is checked by
        QString certFile; // TLS: the client's own certificate and key, when the broker asks
        QString keyFile;
        QString user; // empty: none
        QString password;
        QString clientId;
        int keepAliveSeconds = 30;
        int connectTimeoutMs = 10000; // from the start of a try to the broker's CONNACK
        int retryMs = 1000;
        QByteArray willTopic; // sent by the broker, retained, when the connection breaks
        QByteArray willPayload;
    };

    // Why a connection ended or could not be made; the library's own words come beside it.
    enum class Failure {
        Lost,        // the connection broke
        NoAnswer,    // not accepted within the time limit
        Refused,     // the broker said no (the reason: bad user or password, not authorised…)
        Unreachable, // the connection could not be made, or TLS could not be set up
    };
    Q_ENUM(Failure)

    explicit BrokerLink(Settings settings, QObject* parent = nullptr);
    ~BrokerLink() override;

    // Starts connecting; from then on it connects again by itself until close().
    void open();
    // Says goodbye to the broker (no last will) and stays closed.
    void close();
    bool isConnected() const { return m_connected; }
    // QoS 1. The message ID acknowledged() reports, or -1 when not connected or refused.
    int publish(const QByteArray& topic, const QByteArray& payload, bool retain);
    // Messages handed to the connection and not yet written to its socket.
    bool writing() const;

signals:
    void connected();
    // The connection broke, could not be made or was refused, and why (`detail`: the library's
    // words, in English). Said once for each try that fails.
    void disconnected(mqtt::BrokerLink::Failure failure, const QString& detail);
    void acknowledged(int messageId);

private:
    void connectNow();
    void drop(Failure failure, const QString& detail);
    void service();
    void watchSocket();
    void checkResult(int result);
    void fail(Failure failure, const QString& detail);

    static void onConnect(mosquitto*, void* self, int result);
    static void onDisconnect(mosquitto*, void* self, int result);
    static void onPublish(mosquitto*, void* self, int messageId);

    Settings m_settings;
    mosquitto* m_client = nullptr;
    QSocketNotifier* m_readable = nullptr;
    QSocketNotifier* m_writable = nullptr;
    QTimer m_misc;  // keep-alive, and the connection's time limit
    QTimer m_retry; // the next try
    QElapsedTimer m_tryStarted;
    bool m_open = false;
    bool m_connected = false;
    // Set inside the library's calls and callbacks, acted on when it returns.
    std::optional<Failure> m_failure;
    QString m_failureDetail;
};

} // namespace mqtt
