#include "broker_link.h"

#include <mosquitto.h>

#include <QSocketNotifier>

#include <mutex>

namespace mqtt {

namespace {

// What the client may have in flight at once; the caller keeps to it as well.
constexpr int kInFlight = 100;

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QByteArray local(const QString& text) {
    return text.toLocal8Bit();
}

const char* orNull(const QByteArray& text) {
    return text.isEmpty() ? nullptr : text.constData();
}

} // namespace

BrokerLink::BrokerLink(Settings settings, QObject* parent)
    : QObject(parent), m_settings(std::move(settings)) {
    initialiseLibrary();
    m_misc.setInterval(250);
    connect(&m_misc, &QTimer::timeout, this, [this] {
        if (!m_client)
            return;
        if (!m_connected && m_tryStarted.elapsed() > m_settings.connectTimeoutMs) {
            drop(Failure::NoAnswer, QString());
            return;
        }
        checkResult(mosquitto_loop_misc(m_client));
        watchSocket();
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &BrokerLink::connectNow);
}

BrokerLink::~BrokerLink() {
    m_open = false;
    delete m_readable;
    delete m_writable;
    if (m_client)
        mosquitto_destroy(m_client);
}

void BrokerLink::open() {
    m_open = true;
    if (!m_client && !m_retry.isActive())
        connectNow();
}

void BrokerLink::close() {
    m_open = false;
    m_retry.stop();
    if (m_client && m_connected) {
        mosquitto_disconnect(m_client);
        mosquitto_loop_write(m_client, 1);
    }
    m_failure.reset();
    drop(Failure::Lost, QString());
}

void BrokerLink::connectNow() {
    if (!m_open || m_client)
        return;
    m_tryStarted.start();
    m_failure.reset();
    m_client = mosquitto_new(orNull(local(m_settings.clientId)), true, this);
    if (!m_client) {
        drop(Failure::Unreachable, QStringLiteral("out of memory"));
        return;
    }
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(m_client, kInFlight);
    mosquitto_connect_callback_set(m_client, &BrokerLink::onConnect);
    mosquitto_disconnect_callback_set(m_client, &BrokerLink::onDisconnect);
    mosquitto_publish_callback_set(m_client, &BrokerLink::onPublish);
    if (!m_settings.user.isEmpty())
        mosquitto_username_pw_set(m_client, m_settings.user.toUtf8().constData(),
                                  m_settings.password.toUtf8().constData());
    if (!m_settings.willTopic.isEmpty())
        mosquitto_will_set(m_client, m_settings.willTopic.constData(),
                           int(m_settings.willPayload.size()), m_settings.willPayload.constData(),
                           1, true);
    if (m_settings.tls) {
        const QByteArray ca = local(m_settings.caFile);
        const QByteArray cert = local(m_settings.certFile);
        const QByteArray key = local(m_settings.keyFile);
        const int result =
            mosquitto_tls_set(m_client, orNull(ca), ca.isEmpty() ? "/etc/ssl/certs" : nullptr,
                              orNull(cert), orNull(key), nullptr);
        if (result != MOSQ_ERR_SUCCESS) {
            drop(Failure::Unreachable, QString::fromUtf8(mosquitto_strerror(result)));
            return;
        }
    }
    const int result = mosquitto_connect_async(m_client, m_settings.host.toUtf8().constData(),
                                               m_settings.port, m_settings.keepAliveSeconds);
    if (result != MOSQ_ERR_SUCCESS) {
        drop(Failure::Unreachable, result == MOSQ_ERR_ERRNO
                                       ? QString::fromLocal8Bit(strerror(errno))
                                       : QString::fromUtf8(mosquitto_strerror(result)));
        return;
    }
    const int socket = mosquitto_socket(m_client);
    m_readable = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    m_writable = new QSocketNotifier(socket, QSocketNotifier::Write, this);
    connect(m_readable, &QSocketNotifier::activated, this, [this] {
        if (m_client)
            checkResult(mosquitto_loop_read(m_client, kInFlight));
        service();
    });
    connect(m_writable, &QSocketNotifier::activated, this, [this] {
        if (m_client)
            checkResult(mosquitto_loop_write(m_client, kInFlight));
        service();
    });
    m_misc.start();
    watchSocket();
}

void BrokerLink::fail(Failure failure, const QString& detail) {
    if (m_failure)
        return; // the first says why
    m_failure = failure;
    m_failureDetail = detail;
}

void BrokerLink::checkResult(int result) {
    if (result == MOSQ_ERR_SUCCESS)
        return;
    fail(m_connected ? Failure::Lost : Failure::Unreachable,
         result == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(strerror(errno))
                                  : QString::fromUtf8(mosquitto_strerror(result)));
}

// After the library ran: a failure it met is acted on now that it has returned.
void BrokerLink::service() {
    if (m_failure) {
        drop(*m_failure, m_failureDetail);
        return;
    }
    watchSocket();
}

void BrokerLink::watchSocket() {
    if (m_writable && m_client)
        m_writable->setEnabled(mosquitto_want_write(m_client));
}

bool BrokerLink::writing() const {
    return m_client && mosquitto_want_write(m_client);
}

void BrokerLink::drop(Failure failure, const QString& detail) {
    m_connected = false;
    m_misc.stop();
    // The notifiers go before the socket they watch.
    delete m_readable;
    delete m_writable;
    m_readable = m_writable = nullptr;
    if (m_client) {
        mosquitto* client = std::exchange(m_client, nullptr);
        mosquitto_destroy(client);
    }
    m_failure.reset();
    if (m_open) {
        m_retry.start(m_settings.retryMs);
        emit disconnected(failure, detail);
    }
}

int BrokerLink::publish(const QByteArray& topic, const QByteArray& payload, bool retain) {
    if (!m_client || !m_connected)
        return -1;
    int id = -1;
    const int result = mosquitto_publish(m_client, &id, topic.constData(), int(payload.size()),
                                         payload.constData(), 1, retain);
    if (result != MOSQ_ERR_SUCCESS) {
        checkResult(result);
        // Acted on once the caller's loop is over: it may be sending more.
        QTimer::singleShot(0, this, &BrokerLink::service);
        return -1;
    }
    watchSocket();
    return id;
}

void BrokerLink::onConnect(mosquitto*, void* self, int result) {
    auto* link = static_cast<BrokerLink*>(self);
    if (result != 0) {
        link->fail(Failure::Refused, QString::fromUtf8(mosquitto_connack_string(result)));
        return;
    }
    link->m_connected = true;
    emit link->connected();
}

void BrokerLink::onDisconnect(mosquitto*, void* self, int result) {
    static_cast<BrokerLink*>(self)->fail(
        Failure::Lost, result == 0 ? QString() : QString::fromUtf8(mosquitto_strerror(result)));
}

void BrokerLink::onPublish(mosquitto*, void* self, int messageId) {
    emit static_cast<BrokerLink*>(self)->acknowledged(messageId);
}

} // namespace mqtt
