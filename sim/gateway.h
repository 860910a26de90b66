#pragma once

#include "protocol/hart_frame.h"
#include "sim/loop.h"

#include <QByteArray>
#include <QtGlobal>

#include <map>
#include <vector>

namespace sim {

// An I/O system at polling address 0 of a HART-IP server, as a WirelessHART gateway is: its own
// identity, command 74 (what it holds), command 84 (each instrument behind it), and those
// instruments reached either by their long addresses directly or through command 77 with their
// card and channel. `count` instruments sit one to a channel, eight channels to a card. Some
// play what real ones do: every fourth answers through a delayed response (response code 33,
// then 34 while it runs, then the answer), and the last one leaves the network for the last
// 20 s of every minute. While it is away the gateway does not list it; each time it leaves or
// comes back, the gateway's device status says more status is available until its command 48,
// which says "sub-device list changed", is read.
class Gateway {
public:
    explicit Gateway(int count);

    // The answer to `frame` (no preamble, check byte included) at `nowMs`, without preamble;
    // empty when nobody answers.
    QByteArray answer(const QByteArray& frame, qint64 nowMs);

    int count() const { return int(m_configs.size()); }

private:
    QByteArray ownAnswer(const protocol::HartFrame& request, qint64 nowMs);
    QByteArray subDeviceAnswer(int index, const QByteArray& frame, qint64 nowMs);
    QByteArray throughCommand77(const protocol::HartFrame& request, qint64 nowMs);
    int indexOf(const QByteArray& uniqueAddress) const; // 0 when none
    bool present(int index, qint64 nowMs) const;
    int listed(qint64 nowMs) const; // the instruments it lists now
    // The last instrument left or came back since the list was last said to have changed.
    void noticeChange(qint64 nowMs);
    // A frame of the gateway's own, its device status saying more status is available while a
    // change waits to be read.
    QByteArray withStatus(const QByteArray& answer) const;
    QByteArray additionalStatus(const protocol::HartFrame& request);

    InstrumentConfig m_self;
    Loop m_own;                              // the gateway as an instrument: 0, 13, 20, 48
    std::vector<InstrumentConfig> m_configs; // index 1 is m_configs[0]
    Loop m_subDevices;
    struct Delayed {
        QByteArray request;
        qint64 readyMs = 0;
    };
    std::map<int, Delayed> m_delayed; // by index
    bool m_lastPresent = true;
    bool m_listChanged = false; // until command 48 is read
};

} // namespace sim
