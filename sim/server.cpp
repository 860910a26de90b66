#include "sim/server.h"

#include "protocol/line_arbiter.h"
#include "protocol/line_framer.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

using protocol::characters;
using protocol::kCharacterMs;
namespace timers = protocol::link_timers;

struct Outgoing {
    enum class From { Instrument, OtherMaster, AnswerToOtherMaster, Burst };
    QByteArray bytes;
    qint64 dueMs = 0; // when the first byte may go out
    int sent = 0;
    bool logged = false;
    From from = From::Instrument;
};

QByteArray hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toUpper();
}

void logLine(std::FILE* log, qint64 ms, const char* direction, const QByteArray& bytes,
             const char* note) {
    if (!log)
        return;
    std::fprintf(log, "%lld %s %s%s\n", static_cast<long long>(ms), direction,
                 hex(bytes).constData(), note);
    std::fflush(log);
}

struct Burster {
    int address = 0;
    int periodMs = 500;
    qint64 dueMs = 0;
    bool namesPrimary = true;
};

class Server {
public:
    Server(Loop& loop, const Line& line, const ServerSettings& settings)
        : m_loop(loop), m_line(line), m_settings(settings),
          m_otherRole(settings.otherMaster && !settings.otherMaster->primary
                          ? protocol::MasterRole::Secondary
                          : protocol::MasterRole::Primary),
          m_otherArbiter(m_otherRole),
          m_otherEars(m_otherRole,
                      [this](const protocol::HeardFrame& frame) { m_otherArbiter.heard(frame); }) {
        m_clock.start();
        for (int address = 0; address < kMaxInstruments; ++address) {
            const InstrumentConfig* c = m_loop.instrumentAt(address);
            if (c && c->burst)
                m_bursters.push_back({address, c->burst->periodMs, c->burst->periodMs, true});
        }
        m_shared = m_settings.otherMaster || !m_bursters.empty();
        if (m_settings.otherMaster)
            m_otherDueMs = m_settings.otherMaster->periodMs;
    }

    ServeResult run() {
        char buffer[512];
        for (;;) {
            pollfd fds[2] = {{m_line.fd, POLLIN, 0}, {m_settings.stopFd, POLLIN, 0}};
            const int ready = poll(fds, 2, timeoutMs());
            if (ready < 0 && errno != EINTR)
                return {false, m_collisions};
            if (ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
                return {true, m_collisions};
            // A device that went away would otherwise wake us without end.
            if (ready > 0 && !(fds[0].revents & POLLIN) &&
                (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)))
                return {false, m_collisions};
            if (ready > 0 && (fds[0].revents & POLLIN)) {
                const ssize_t n = read(m_line.fd, buffer, sizeof buffer);
                if (n > 0)
                    take(QByteArray(buffer, static_cast<int>(n)));
            }
            send();
            if (m_shared)
                speakUnasked();
        }
    }

private:
    qint64 now() const { return m_clock.elapsed(); }

    bool sending() const { return !m_queue.empty() && m_queue.front().sent > 0; }

    void take(const QByteArray& bytes) {
        const qint64 ms = now();
        if (m_shared && sending()) {
            // Into someone else's frame: both are lost to every listener.
            ++m_collisions;
            logLine(m_settings.log, ms, "RX", bytes, " collision");
            Outgoing& cut = m_queue.front();
            cut.bytes.truncate(cut.sent);
            finishHead(ms);
            return;
        }
        // On a shared line the request lasts as long as its bytes take; it is heard at its end.
        const qint64 heardMs =
            m_shared ? ms + static_cast<qint64>(bytes.size() * kCharacterMs) : ms;
        if (m_shared) {
            m_requestEndMs = std::max(m_requestEndMs, heardMs);
            m_otherEars.feed(bytes, double(heardMs));
        }
        for (const Exchange& e : m_loop.receive(bytes, heardMs)) {
            logLine(m_settings.log, ms, "RX", e.request.raw,
                    e.request.checkOk ? " check ok" : " check bad");
            if (e.answer.isEmpty())
                continue;
            m_queue.push_back(
                {e.answer, m_settings.fast ? heardMs : heardMs + e.turnaroundMs, 0, false});
        }
    }

    // Byte i of the frame at the head of the queue is due at dueMs + i * kCharacterMs.
    qint64 nextDueMs() const {
        const Outgoing& o = m_queue.front();
        return o.dueMs + static_cast<qint64>(o.sent * kCharacterMs);
    }

    int timeoutMs() const {
        qint64 wake = -1;
        if (!m_queue.empty())
            wake = nextDueMs();
        if (m_shared) {
            for (const Burster& b : m_bursters)
                wake = wake < 0 ? b.dueMs : std::min(wake, b.dueMs);
            if (m_settings.otherMaster)
                wake = wake < 0 ? m_otherDueMs : std::min(wake, m_otherDueMs);
            // Waiting for the line: look again every character.
            if (wake >= 0 && wake <= now())
                return static_cast<int>(kCharacterMs);
        }
        if (wake < 0)
            return -1;
        const qint64 wait = wake - now();
        return wait < 0 ? 0 : static_cast<int>(wait) + 1;
    }

    void send() {
        while (!m_queue.empty()) {
            Outgoing& o = m_queue.front();
            const qint64 ms = now();
            if (ms < nextDueMs())
                return;
            if (!o.logged) {
                logLine(m_settings.log, ms, "TX", o.bytes,
                        o.from == Outgoing::From::OtherMaster           ? " other master"
                        : o.from == Outgoing::From::AnswerToOtherMaster ? " to other master"
                        : o.from == Outgoing::From::Burst               ? " burst"
                                                                        : "");
                o.logged = true;
            }
            int count = o.bytes.size() - o.sent;
            if (!m_settings.fast && !m_line.serialPort) {
                // Everything that is due by now, at least one byte.
                const int due = static_cast<int>((ms - o.dueMs) / kCharacterMs) + 1;
                count = qMin(count, qMax(1, due - o.sent));
            }
            const int written = writeToLine(m_line, o.bytes.mid(o.sent, count));
            o.sent += count;
            if (written < count || o.sent >= o.bytes.size())
                finishHead(ms);
        }
    }

    // The frame at the head of the queue has ended (whole or cut) at `endMs`.
    void finishHead(qint64 endMs) {
        const Outgoing done = m_queue.front();
        m_queue.pop_front();
        m_lineEndMs = endMs;
        if (m_shared) {
            if (done.from == Outgoing::From::OtherMaster) {
                m_otherArbiter.sent(double(endMs));
                // Its instrument hears it now, and answers after its turnaround.
                for (const Exchange& e : m_loop.receiveFromOtherMaster(done.bytes, endMs))
                    if (!e.answer.isEmpty())
                        m_queue.push_back({e.answer, endMs + e.turnaroundMs, 0, false,
                                           Outgoing::From::AnswerToOtherMaster});
            } else {
                m_otherEars.feed(done.bytes.left(done.sent), double(endMs));
                m_otherEars.quietUntil(double(endMs) + 2 * kCharacterMs);
            }
        }
        // The next frame cannot start before this one ended.
        if (!m_queue.empty() && m_queue.front().dueMs < endMs)
            m_queue.front().dueMs = endMs;
    }

    // The other master's requests and the burst frames, when the line lets them out.
    void speakUnasked() {
        const qint64 ms = now();
        const bool lineInUse = !m_queue.empty() || ms < m_requestEndMs;
        if (lineInUse)
            return;
        if (m_settings.otherMaster && ms >= m_otherDueMs &&
            m_otherArbiter.mayStart(double(ms), false)) {
            const OtherMasterConfig& other = *m_settings.otherMaster;
            const size_t commands = other.commands.size();
            const size_t turn = m_otherTurn++ % (other.addresses.size() * commands);
            const QByteArray request = m_loop.requestTo(
                other.addresses[turn / commands], other.commands[turn % commands], other.primary);
            m_otherDueMs = ms + other.periodMs;
            if (!request.isEmpty()) {
                Outgoing o{request, ms, 0, false, Outgoing::From::OtherMaster};
                m_queue.push_back(o);
                send();
                return;
            }
        }
        // A burst goes out once the line has been quiet for RT2 after the last frame.
        if (ms < m_lineEndMs + qint64(characters(timers::kRt2)) ||
            ms < m_requestEndMs + qint64(characters(timers::kRt2)))
            return;
        for (Burster& b : m_bursters) {
            if (ms < b.dueMs)
                continue;
            const QByteArray frame = m_loop.burstFrame(b.address, b.namesPrimary, ms);
            b.namesPrimary = !b.namesPrimary;
            b.dueMs = ms + b.periodMs;
            if (frame.isEmpty())
                continue;
            m_queue.push_back({frame, ms, 0, false, Outgoing::From::Burst});
            send();
            return;
        }
    }

    Loop& m_loop;
    const Line& m_line;
    const ServerSettings& m_settings;
    QElapsedTimer m_clock;
    std::deque<Outgoing> m_queue;

    bool m_shared = false;
    int m_collisions = 0;
    qint64 m_lineEndMs = 0;    // the end of the last frame the simulator sent
    qint64 m_requestEndMs = 0; // the end of the last request of the master under test
    const protocol::MasterRole m_otherRole;
    protocol::LineArbiter m_otherArbiter;
    protocol::LineFramer m_otherEars; // what the other master hears of the master under test
    qint64 m_otherDueMs = 0;
    size_t m_otherTurn = 0; // which of its addresses and commands the other master asks next
    std::vector<Burster> m_bursters;
};

} // namespace

ServeResult serve(Loop& loop, const Line& line, const ServerSettings& settings) {
    return Server(loop, line, settings).run();
}

} // namespace sim
