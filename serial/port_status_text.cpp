#include "port_status_text.h"

#include "app/texts.h"

namespace serial {

namespace {

using serial::OpenFailure;
using State = serial::PortStatus::State;

using app::Text;

struct FailureText {
    OpenFailure failure;
    Text text; // %1 the device's path, %2 the system's own words
};

constexpr FailureText kFailureTexts[] = {
    {OpenFailure::NoSuchDevice, Text::PortNoSuchDevice},
    {OpenFailure::PermissionDenied, Text::PortPermissionDenied},
    {OpenFailure::Busy, Text::PortBusy},
    {OpenFailure::NotSerial, Text::PortNotSerial},
    {OpenFailure::Other, Text::PortOpenFailed},
};

QString failureText(const serial::PortStatus& status, app::Language language) {
    for (const FailureText& entry : kFailureTexts) {
        if (entry.failure != status.failure)
            continue;
        const QString text = app::text(entry.text, language).arg(status.devicePath);
        return status.failure == OpenFailure::Other ? text.arg(status.systemText) : text;
    }
    return status.devicePath;
}

} // namespace

QString portStatusText(const serial::PortStatus& status, qint16 languageFlag) {
    const app::Language language = app::languageFor(languageFlag);
    const QString& path = status.devicePath;
    QString text;
    switch (status.state) {
    case State::Closed:
        break;
    case State::Open:
        text = app::text(Text::PortInUse, language).arg(path);
        break;
    case State::Failed:
        text = failureText(status, language);
        break;
    case State::Lost:
        text = app::text(Text::PortLost, language).arg(path);
        break;
    }
    if (!status.missingRemembered.isEmpty()) {
        const QString missing =
            app::text(Text::PortMissingRemembered, language).arg(status.missingRemembered);
        text = text.isEmpty() ? missing : missing + QLatin1Char('\n') + text;
    }
    return text;
}

} // namespace serial
