#include "publisher.h"

#include "core/loop_session.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace mqtt {

namespace {

constexpr int kInFlight = 100; // as the link allows
constexpr int kSyncIntervalMs = 1000;

BrokerLink::Settings withWill(BrokerLink::Settings link, const Topics& topics,
                              const QString& version, const QString& port) {
    link.willTopic = topics.status();
    link.willPayload = lastWillPayload(version, port);
    return link;
}

} // namespace

Publisher::Publisher(core::LoopSession& session, Setup setup, QObject* parent)
    : QObject(parent), m_session(session), m_setup(std::move(setup)),
      m_topics(m_setup.site, m_setup.clientId),
      m_link(withWill(m_setup.link, m_topics, m_setup.version, m_setup.port)),
      m_journal(m_setup.journalPath, m_setup.maxQueueBytes) {
    m_sendFrom = m_journal.nextSequence() - quint64(m_journal.waitingCount());
    connect(&m_link, &BrokerLink::connected, this, [this] {
        m_fullSaid = false;
        m_inFlight.clear();
        // What waits in the journal goes first, in order, from its oldest.
        m_sendFrom = 0;
        emit connected(m_journal.waitingCount());
        m_retained[m_topics.status()] =
            statusPayload(true, m_session.setup().now(), m_setup.version, m_setup.port);
        for (const auto& [topic, payload] : m_retained)
            m_link.publish(topic, payload, true);
        pump();
    });
    connect(&m_link, &BrokerLink::disconnected, this, &Publisher::disconnected);
    connect(&m_link, &BrokerLink::acknowledged, this, [this](int id) {
        if (id == m_goodbye)
            m_goodbye = -1;
        const auto it = m_inFlight.find(id);
        if (it == m_inFlight.end())
            return; // a retained message
        m_journal.acknowledge(it->second);
        m_inFlight.erase(it);
        ++m_acknowledged;
        pump();
    });

    field::FieldModel& model = session.fieldModel();
    connect(&model, &field::FieldModel::measurement, this,
            [this, &model](int address, const QDateTime& when) {
                measured({address, false}, model.instrument(address), when);
            });
    connect(&model, &field::FieldModel::instrumentChanged, this, [this, &model](int address) {
        instrumentChanged({address, false}, model.instrument(address));
    });
    core::IoSystemReader& behind = session.ioSystems();
    connect(
        &behind, &core::IoSystemReader::measurement, this,
        [this, &behind](int index, const QDateTime& when) {
            if (index >= 1 && index <= int(behind.subDevices().size()))
                measured({index, true}, behind.subDevices()[size_t(index - 1)].instrument, when);
        });
    connect(&behind, &core::IoSystemReader::subDeviceChanged, this, [this, &behind](int index) {
        if (index >= 1 && index <= int(behind.subDevices().size()))
            instrumentChanged({index, true}, behind.subDevices()[size_t(index - 1)].instrument);
    });
    connect(&behind, &core::IoSystemReader::listChanged, this, [this, &behind] {
        for (size_t k = 0; k < behind.subDevices().size(); ++k)
            instrumentChanged({int(k) + 1, true}, behind.subDevices()[k].instrument);
    });
    m_sync.setInterval(kSyncIntervalMs);
    connect(&m_sync, &QTimer::timeout, this, [this] { m_journal.sync(); });
}

void Publisher::start() {
    m_sync.start();
    m_link.open();
}

void Publisher::stop(int waitMs) {
    m_sync.stop();
    const QDeadlineTimer deadline(waitMs);
    const auto waitFor = [&deadline, this](const std::function<bool()>& done) {
        while (m_link.isConnected() && !done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    };
    // What waits goes first, within the time given; then "offline", the last word.
    waitFor([this] { return m_journal.waitingCount() == 0; });
    if (m_link.isConnected()) {
        m_goodbye = m_link.publish(
            m_topics.status(),
            statusPayload(false, m_session.setup().now(), m_setup.version, m_setup.port), true);
        waitFor([this] { return m_goodbye < 0; });
    }
    m_link.close();
    m_journal.syncNow();
}

void Publisher::measured(const Place& place, const field::Instrument& instrument,
                         const QDateTime& when) {
    if (!instrument.identity)
        return; // no long address to put it under
    const QByteArray topic = m_topics.measurement(instrument.identity->longAddress);
    m_journal.append(topic, measurementPayload(m_journal.nextSequence(), when, place, instrument));
    if (m_journal.dropped() > m_droppedSaid) {
        m_droppedSaid = m_journal.dropped();
        if (!m_fullSaid) {
            m_fullSaid = true;
            emit journalFull(m_journal.dropped());
        }
    }
    pump();
}

void Publisher::instrumentChanged(const Place& place, const field::Instrument& instrument) {
    if (!instrument.identity)
        return;
    const QByteArray& address = instrument.identity->longAddress;
    QString longTag = longTagOf(instrument);
    if (longTag.isEmpty() && place.behindIoSystem) {
        const auto& list = m_session.ioSystems().subDevices();
        if (place.address >= 1 && place.address <= int(list.size()))
            longTag = list[size_t(place.address - 1)].summary.longTag.trimmed();
    }
    retain(m_topics.identity(address), identityPayload(instrument, place, longTag));
    retain(m_topics.state(address), statePayload(instrument));
}

void Publisher::retain(const QByteArray& topic, const QByteArray& payload) {
    QByteArray& held = m_retained[topic];
    if (held == payload)
        return;
    held = payload;
    m_link.publish(topic, payload, true);
}

void Publisher::pump() {
    while (m_link.isConnected() && int(m_inFlight.size()) < kInFlight) {
        const std::optional<Journal::Message> message = m_journal.waitingFrom(m_sendFrom);
        if (!message)
            return;
        const int id = m_link.publish(message->topic, message->payload, false);
        if (id < 0)
            return; // the link is going; everything waiting goes again on the next connection
        m_inFlight[id] = message->sequence;
        m_sendFrom = message->sequence + 1;
    }
}

} // namespace mqtt
