#pragma once

#include "mqtt/broker_link.h"
#include "mqtt/journal.h"
#include "mqtt/messages.h"

#include <QObject>
#include <QTimer>

#include <map>

namespace core {
class LoopSession;
}

namespace mqtt {

// The loop session's instruments on an MQTT broker: every measurement (of the loop's instruments
// and of those behind an I/O system) goes into the journal and from there to the broker in order,
// leaving the journal once the broker acknowledged it; who each instrument is and whether it
// answers are retained on the broker, sent when they change and again on every connection; the
// logger's own status is retained "online", with "offline" as its last will. It only listens to
// the session: recording goes on whatever the broker does.
class Publisher : public QObject {
    Q_OBJECT
public:
    struct Setup {
        BrokerLink::Settings link; // the will is set here
        QString site;
        QString clientId;
        QString journalPath;
        qint64 maxQueueBytes = 64ll * 1024 * 1024;
        QString version;
        QString port;
    };

    Publisher(core::LoopSession& session, Setup setup, QObject* parent = nullptr);

    void start();
    // "offline" retained, then goodbye: what is still in the journal waits for the next start.
    // Waits at most `waitMs` for the broker to take the last messages.
    void stop(int waitMs);

    const Topics& topics() const { return m_topics; }
    const Journal& journal() const { return m_journal; }
    bool isConnected() const { return m_link.isConnected(); }
    quint64 acknowledged() const { return m_acknowledged; }

signals:
    void connected(int waiting); // measurements waiting in the journal when it connected
    void disconnected(mqtt::BrokerLink::Failure failure, const QString& detail);
    // The journal is full and its oldest measurements go: said once until the broker is back.
    void journalFull(quint64 dropped);

private:
    void measured(const Place& place, const field::Instrument& instrument, const QDateTime& when);
    // Retained: sent when it differs from what was sent under `topic`, and on every connection.
    void retain(const QByteArray& topic, const QByteArray& payload);
    void instrumentChanged(const Place& place, const field::Instrument& instrument);
    void pump();

    core::LoopSession& m_session;
    Setup m_setup;
    Topics m_topics;
    BrokerLink m_link;
    Journal m_journal;
    std::map<int, quint64> m_inFlight;           // message ID → sequence number
    quint64 m_sendFrom = 0;                      // the next sequence number to send
    std::map<QByteArray, QByteArray> m_retained; // topic → the payload it holds now
    quint64 m_acknowledged = 0;
    quint64 m_droppedSaid = 0;
    bool m_fullSaid = false;
    int m_goodbye = -1; // the message ID of "offline" at a stop, until the broker has it
    QTimer m_sync;      // the journal to the disk itself, once a second
};

} // namespace mqtt
