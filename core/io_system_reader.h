#pragma once

#include "field/field_model.h"
#include "field/io_system.h"
#include "protocol/polling_cycle.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace core {

// The instruments behind an I/O system (a HART multiplexer, a WirelessHART gateway) at one of the
// polling addresses of a HART-IP endpoint. An instrument that answers the pass is asked command
// 74 once; the first that answers it as an I/O system is one, and command 84 lists what it holds.
// Those instruments are then asked beside the pass, one request at a time and in turn, three
// after each step of the pass so that the pass goes on: commands 0 and 13 once, then command 3
// again and again.
// Each is reached by its long address directly and, where it does not answer so twice and the I/O
// system has cards, through command 77 with its card and channel. An answer that says busy or that
// a delayed response runs (response codes 32 to 34) is asked again 200 ms later while the others go
// on. The list is read again every five minutes, when the I/O system's device status says its
// configuration changed, and when its command 48 says its list changed (read when its device
// status says more status is available). An instrument's details, once asked, go before its values;
// a followed instrument is asked every other time.
class IoSystemReader : public QObject {
    Q_OBJECT
public:
    struct SubDevice {
        field::SubDeviceSummary summary;
        field::Instrument instrument; // its identity from command 84, its tag and values
        bool throughCommand77 = false;
        int unanswered = 0;   // requests in a row without an answer
        bool delayed = false; // busy, or its delayed response runs: asked again first
        qint64 nextAskMs = 0;
        std::vector<int> detailsToAsk; // asked before its values, in this order
        bool identityAsked = false;    // command 0, for what the list does not say
    };
    using Clock = std::function<QDateTime()>;
    using SteadyClock = std::function<qint64()>; // ms, never set back

    // `now`: when values came. `steady`: when to ask again (default: since the reader was made).
    IoSystemReader(protocol::PollingCycle& cycle, Clock now, SteadyClock steady = {},
                   QObject* parent = nullptr);

    // On: every instrument the pass finds is asked whether it is an I/O system. Off (the
    // default, and on the serial line): nothing is asked.
    void setEnabled(bool on);
    // An answer the pass read: its command-0 answers find the I/O system.
    void takeAnswer(const protocol::ReadAnswer& answer);
    // Polling stopped: nothing is known any more.
    void clear();

    // The polling address of the I/O system; -1 while none is known.
    int ioSystemAddress() const { return m_address; }
    const std::optional<field::IoSystem>& ioSystem() const { return m_io; }
    const std::vector<SubDevice>& subDevices() const { return m_subDevices; }
    // The instrument listed with `uniqueAddress` (index 1 and up); 0 when none is.
    int indexOf(const QByteArray& uniqueAddress) const;
    // What is known of the instrument listed with `uniqueAddress`; an empty instrument when it
    // is not listed (any more).
    const field::Instrument& instrument(const QByteArray& uniqueAddress) const;

    // Asks the listed instrument for every detail command it speaks, before its next values;
    // false when it is not listed.
    bool readDetails(const QByteArray& uniqueAddress);
    // Follows the listed instrument (empty: none): asked every other request of the reader.
    void follow(const QByteArray& uniqueAddress);
    const QByteArray& followed() const { return m_followed; }
    // A frame published unasked (a HART-IP subscription) by a listed instrument: taken as its
    // values; false when no listed instrument has its unique address.
    bool takePublished(const protocol::ReadAnswer& answer);

signals:
    // The I/O system was found, or its list read again.
    void listChanged();
    // What is known of the instrument at `index` (1 and up) changed.
    void subDeviceChanged(int index);
    // Values came from the instrument at `index`: a command-3 answer (the recorder listens).
    void measurement(int index, const QDateTime& when);

private:
    void probe(int address);
    // Sends `asked` beside the pass; `answered` or `dropped` runs once it is over, unless the
    // reader was cleared meanwhile. False, and a try a second later, when the cycle would not
    // take it.
    bool send(const protocol::OnDemandRequest& asked,
              std::function<void(const protocol::ReadAnswer&)> answered,
              std::function<void()> dropped);
    void readList();
    void readEntry(int index);
    void finishList();
    void startOver(quint64 generation);
    void next();
    void askNext();
    void ask(SubDevice& sub, int index);
    // An answer of the instrument at `index`, or (null) its absence, folded into what is known.
    void fold(int index, int command, const protocol::HartFrame* frame);
    void taken(int index, int command, const protocol::ReadAnswer& answer);
    // For when to ask: steady, whatever the wall clock does.
    qint64 nowMs() const { return m_steadyNow ? m_steadyNow() : m_steady.elapsed(); }

    protocol::PollingCycle& m_cycle;
    Clock m_now; // for when values came
    QElapsedTimer m_steady;
    SteadyClock m_steadyNow;
    bool m_enabled = false;
    quint64 m_generation = 0;   // bumped by clear(): answers to older requests are let go
    std::vector<bool> m_probed; // by polling address, this run
    int m_address = -1;
    std::optional<field::IoSystem> m_io;
    std::vector<SubDevice> m_subDevices; // index 1 is m_subDevices[0]
    std::vector<SubDevice> m_reading;    // the list being read
    int m_entry = 0;                     // its next index; 0: no list is being read
    bool m_entryTurn = true;             // read again: the next entry's turn, not an instrument's
    bool m_busy = false;                 // a request of ours is out
    bool m_afterPassStep = false;        // the next request waits for the pass's next step
    int m_sincePassStep = 0;             // requests of ours since the pass's last step
    int m_ioStatus = 0;                  // the I/O system's device status, as the pass last read it
    bool m_listStale = false;            // its configuration changed: the list is read again
    bool m_statusWanted = false;         // it has more status: its command 48 is read
    qint64 m_lastStatusReadMs = -1;      // steady
    size_t m_turn = 0;                   // the next to ask
    int m_lastAsked = 0;                 // index of the last instrument asked
    QByteArray m_followed;               // unique address; empty: none
    QTimer m_again;                      // when none is due yet
    QTimer m_readAgain;                  // the list, every five minutes
};

} // namespace core
