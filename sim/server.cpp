#include "sim/server.h"

#include <QElapsedTimer>

#include <cerrno>
#include <deque>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr qint64 kTurnaroundMs = 20;
constexpr double kByteMs = 11.0 * 1000.0 / 1200.0;

struct Outgoing {
    QByteArray bytes;
    qint64 dueMs = 0; // when the first byte may go out
    int sent = 0;
    bool logged = false;
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

class Server {
public:
    Server(Loop& loop, const Line& line, const ServerSettings& settings)
        : m_loop(loop), m_line(line), m_settings(settings) {
        m_clock.start();
    }

    bool run() {
        char buffer[512];
        for (;;) {
            pollfd fds[2] = {{m_line.fd, POLLIN, 0}, {m_settings.stopFd, POLLIN, 0}};
            const int ready = poll(fds, 2, timeoutMs());
            if (ready < 0 && errno != EINTR)
                return false;
            if (ready > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
                return true;
            // A device that went away would otherwise wake us without end.
            if (ready > 0 && !(fds[0].revents & POLLIN) &&
                (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)))
                return false;
            if (ready > 0 && (fds[0].revents & POLLIN)) {
                const ssize_t n = read(m_line.fd, buffer, sizeof buffer);
                if (n > 0)
                    take(QByteArray(buffer, static_cast<int>(n)));
            }
            send();
        }
    }

private:
    qint64 now() const { return m_clock.elapsed(); }

    void take(const QByteArray& bytes) {
        const qint64 ms = now();
        for (const Exchange& e : m_loop.receive(bytes, ms)) {
            logLine(m_settings.log, ms, "RX", e.request.raw,
                    e.request.checkOk ? " check ok" : " check bad");
            if (e.answer.isEmpty())
                continue;
            m_queue.push_back({e.answer, m_settings.fast ? ms : ms + kTurnaroundMs, 0, false});
        }
    }

    // Byte i of the frame at the head of the queue is due at dueMs + i * kByteMs.
    qint64 nextDueMs() const {
        const Outgoing& o = m_queue.front();
        return o.dueMs + static_cast<qint64>(o.sent * kByteMs);
    }

    int timeoutMs() const {
        if (m_queue.empty())
            return -1;
        const qint64 wait = nextDueMs() - now();
        return wait < 0 ? 0 : static_cast<int>(wait) + 1;
    }

    void send() {
        while (!m_queue.empty()) {
            Outgoing& o = m_queue.front();
            const qint64 ms = now();
            if (ms < nextDueMs())
                return;
            if (!o.logged) {
                logLine(m_settings.log, ms, "TX", o.bytes, "");
                o.logged = true;
            }
            int count = o.bytes.size() - o.sent;
            if (!m_settings.fast && !m_line.serialPort) {
                // Everything that is due by now, at least one byte.
                const int due = static_cast<int>((ms - o.dueMs) / kByteMs) + 1;
                count = qMin(count, qMax(1, due - o.sent));
            }
            const int written = writeToLine(m_line, o.bytes.mid(o.sent, count));
            o.sent += count;
            if (written < count || o.sent >= o.bytes.size()) {
                const qint64 end = ms;
                m_queue.pop_front();
                // The next answer cannot start before this one ended.
                if (!m_queue.empty() && m_queue.front().dueMs < end)
                    m_queue.front().dueMs = end;
            }
        }
    }

    Loop& m_loop;
    const Line& m_line;
    const ServerSettings& m_settings;
    QElapsedTimer m_clock;
    std::deque<Outgoing> m_queue;
};

} // namespace

bool serve(Loop& loop, const Line& line, const ServerSettings& settings) {
    return Server(loop, line, settings).run();
}

} // namespace sim
