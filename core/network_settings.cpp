#include "network_settings.h"

#include "app/side_settings.h"
#include "net/hartip_address.h"

namespace core {

net::HartIpSessionMachine::Settings networkSettings(const app::SideSettings& side) {
    const app::SideSettings::HartIpTimes times = side.hartIpTimes();
    net::HartIpSessionMachine::Settings settings;
    settings.answerTimeoutMs = times.answerTimeoutMs;
    settings.inactivityMs = quint32(times.inactivityMs);
    return settings;
}

net::PreSharedKey networkKey(const app::SideSettings& side, const QString& host,
                             net::KeyProblem* problem) {
    if (problem)
        *problem = net::KeyProblem::None;
    const std::optional<app::SideSettings::HartIpKey> kept = side.hartIpKey(net::keyHost(host));
    if (!kept)
        return {};
    return net::parsePreSharedKey(kept->identity, kept->hexKey, problem)
        .value_or(net::PreSharedKey{});
}

} // namespace core
