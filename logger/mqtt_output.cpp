#include "logger/mqtt_output.h"

#include "logger/options.h"

#include "app/side_settings.h"
#include "app/texts.h"
#include "core/loop_session.h"
#include "mqtt/broker_address.h"

#ifdef CORVANTELIS_MQTT
#include "mqtt/publisher.h"
#endif

#include <QDir>
#include <QHostInfo>

namespace logger {

namespace {

constexpr int kDefaultQueueMB = 64;
constexpr int kGoodbyeWaitMs = 3000; // for the broker to take the last messages at a stop

app::Text addressProblemText(mqtt::AddressProblem problem) {
    using P = mqtt::AddressProblem;
    switch (problem) {
    case P::NoHost:
        return app::Text::MqttUrlNoHost;
    case P::Port:
        return app::Text::MqttUrlPort;
    case P::Credentials:
        return app::Text::MqttUrlCredentials;
    case P::Extra:
        return app::Text::MqttUrlExtra;
    case P::Scheme:
    case P::None:
        break;
    }
    return app::Text::MqttUrlScheme;
}

} // namespace

#ifdef CORVANTELIS_MQTT
struct MqttOutput::Running {
    std::unique_ptr<mqtt::Publisher> publisher;
    QString broker;
    bool downSaid = false;
};
#else
struct MqttOutput::Running {};
#endif

MqttOutput::MqttOutput(core::LoopSession& session, const Options& options,
                       const app::SideSettings& side, const QString& device, Line line, bool* ok,
                       QObject* parent)
    : QObject(parent) {
    *ok = true;
    const app::SideSettings::MqttEntries entries = side.mqtt();
    const QString url = options.mqttUrl.isEmpty() ? entries.url : options.mqttUrl;
    if (url.isEmpty())
        return;
    const auto words = [&session](app::Text id) { return app::text(id, session.languageFlag()); };
    mqtt::AddressProblem problem = mqtt::AddressProblem::None;
    const std::optional<mqtt::BrokerAddress> address = mqtt::parseBrokerAddress(url, &problem);
    if (!address) {
        // The address as given, unless it holds a password: then only its kind is told.
        const QString shown =
            problem == mqtt::AddressProblem::Credentials ? QStringLiteral("--mqtt") : url;
        line(words(app::Text::LogMqttBadUrl).arg(shown, words(addressProblemText(problem))));
        *ok = false;
        return;
    }
#ifndef CORVANTELIS_MQTT
    line(words(app::Text::LogMqttUnavailable).arg(address->text()));
    (void)device;
    (void)entries;
#else
    mqtt::Publisher::Setup setup;
    setup.link.host = address->host;
    setup.link.port = address->port;
    setup.link.tls = address->tls;
    setup.link.caFile = options.mqttCaFile.isEmpty() ? entries.caFile : options.mqttCaFile;
    setup.link.certFile = options.mqttCertFile.isEmpty() ? entries.certFile : options.mqttCertFile;
    setup.link.keyFile = options.mqttKeyFile.isEmpty() ? entries.keyFile : options.mqttKeyFile;
    setup.link.user = entries.user;
    setup.link.password = entries.password;
    setup.site = entries.site.isEmpty() ? QStringLiteral("plant") : entries.site;
    setup.clientId = entries.clientId.isEmpty()
                         ? mqtt::defaultClientId(QHostInfo::localHostName(), device)
                         : entries.clientId;
    setup.link.clientId = QStringLiteral("corvantelis-") + setup.clientId;
    setup.maxQueueBytes =
        qint64(entries.maxQueueMB > 0 ? entries.maxQueueMB : kDefaultQueueMB) * 1024 * 1024;
    // Beside the results, one journal per client ID: its sequence numbers are its own.
    setup.journalPath =
        QDir(session.settings().record().Results_Dir)
            .filePath(QStringLiteral("mqtt/") + mqtt::Topics::level(setup.clientId) +
                      QStringLiteral(".journal"));
    setup.version = QStringLiteral(CORVANTELIS_VERSION);
    setup.port = device;
    const qint64 maxMB = setup.maxQueueBytes / (1024 * 1024);

    m_running = std::make_unique<Running>();
    m_running->broker = address->text();
    m_running->publisher = std::make_unique<mqtt::Publisher>(session, setup);
    mqtt::Publisher& publisher = *m_running->publisher;
    Running& running = *m_running;
    line(words(app::Text::LogMqttStarted)
             .arg(running.broker, QString::fromUtf8(publisher.topics().root()),
                  publisher.journal().path()));
    if (!publisher.journal().isOpen())
        line(words(app::Text::LogMqttJournalProblem)
                 .arg(publisher.journal().path(), publisher.journal().error()));
    connect(&publisher, &mqtt::Publisher::connected, this, [&running, line, words](int waiting) {
        running.downSaid = false;
        line(words(app::Text::LogMqttConnected).arg(running.broker).arg(waiting));
    });
    const int timeoutS = setup.link.connectTimeoutMs / 1000;
    connect(&publisher, &mqtt::Publisher::disconnected, this,
            [&running, line, words, timeoutS](mqtt::BrokerLink::Failure failure,
                                              const QString& detail) {
                if (running.downSaid)
                    return; // once until it is reached again
                running.downSaid = true;
                using F = mqtt::BrokerLink::Failure;
                const QString why =
                    failure == F::NoAnswer      ? words(app::Text::MqttNoAnswer).arg(timeoutS)
                    : failure == F::Refused     ? words(app::Text::MqttRefused).arg(detail)
                    : failure == F::Unreachable ? words(app::Text::MqttUnreachable).arg(detail)
                                                : words(app::Text::MqttLost);
                line(words(app::Text::LogMqttDown).arg(running.broker, why));
            });
    connect(&publisher, &mqtt::Publisher::journalFull, this,
            [line, words, maxMB] { line(words(app::Text::LogMqttJournalFull).arg(maxMB)); });
    m_lineAtEnd = [this, line, words] {
        const mqtt::Journal& journal = m_running->publisher->journal();
        if (journal.waitingCount() > 0)
            line(words(app::Text::LogMqttEnded).arg(journal.waitingCount()).arg(journal.path()));
    };
#endif
}

MqttOutput::~MqttOutput() = default;

void MqttOutput::start() {
#ifdef CORVANTELIS_MQTT
    if (m_running)
        m_running->publisher->start();
#endif
}

void MqttOutput::stop() {
#ifdef CORVANTELIS_MQTT
    if (!m_running)
        return;
    m_running->publisher->stop(kGoodbyeWaitMs);
    if (m_lineAtEnd)
        m_lineAtEnd();
#endif
}

} // namespace logger
