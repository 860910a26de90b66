#pragma once

#include "sim/loop.h"
#include "sim/options.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdio>

namespace sim {

// The simulated loop served over HART-IP (version 1) on 127.0.0.1, TCP and UDP on one port:
// Session Initiate, Keep Alive and Session Close, and token-passing PDUs carrying HART frames
// without preamble to the loop's instruments. A polling address nobody holds is answered with a
// communication error, as gateways do, rather than left to time out.
class HartIpServer {
public:
    using Faults = HartIpFaults;
    void setFaults(const Faults& faults) { m_faults = faults; }
    // Serves an I/O system with `count` instruments behind it at polling address 0, instead of
    // the loop (0: the loop).
    void setGateway(int count) { m_gatewayCount = count; }

    HartIpServer() = default;
    ~HartIpServer();
    HartIpServer(const HartIpServer&) = delete;
    HartIpServer& operator=(const HartIpServer&) = delete;

    // Binds both sockets; false, with the system's reason, when it cannot.
    bool open(quint16 port, QString& error);
    // Serves `loop` until `stopFd` turns readable or `stop` is set. `log`: one line per HART
    // frame heard and answered, as the serial server writes them; may be null.
    void run(Loop& loop, std::FILE* log, int stopFd, const std::atomic<bool>& stop);

private:
    int m_tcp = -1;
    int m_udp = -1;
    Faults m_faults;
    int m_gatewayCount = 0;
};

} // namespace sim
