#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace app {
class SideSettings;
}
namespace core {
class LoopSession;
}

namespace logger {

struct Options;

// The logger's measurements on an MQTT broker, when one is named (--mqtt, or [mqtt] url in the
// side file): the publisher made from the options and the side file, and what it does told one
// line at a time in the session's language: reached, not reached (once until it is reached
// again), the journal full, and at the end what still waits in it. A password is never told.
class MqttOutput : public QObject {
    Q_OBJECT
public:
    using Line = std::function<void(const QString& line)>;

    // Nothing is published when no broker is named. False in `ok` when one is named but cannot be
    // used (the reason told): the logger does not start then.
    MqttOutput(core::LoopSession& session, const Options& options, const app::SideSettings& side,
               const QString& device, Line line, bool* ok, QObject* parent = nullptr);
    ~MqttOutput() override;

    void start();
    // "offline", then goodbye; what waits stays in the journal for the next start.
    void stop();

private:
    struct Running;
    std::unique_ptr<Running> m_running;
    std::function<void()> m_lineAtEnd; // what still waits in the journal, told at the stop
};

} // namespace logger
