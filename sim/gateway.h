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
// then 34 while it runs, then the answer), and the last one leaves the network for 20 s of
// every minute.
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

    InstrumentConfig m_self;
    Loop m_own;                              // the gateway as an instrument: 0, 13, 20, 48
    std::vector<InstrumentConfig> m_configs; // index 1 is m_configs[0]
    Loop m_subDevices;
    struct Delayed {
        QByteArray request;
        qint64 readyMs = 0;
    };
    std::map<int, Delayed> m_delayed; // by index
};

} // namespace sim
