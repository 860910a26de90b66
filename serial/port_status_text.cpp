#include "port_status_text.h"

#include "app/language.h"

namespace serial {

namespace {

using serial::OpenFailure;
using State = serial::PortStatus::State;

// %1 is the device's path, %2 the system's own words.
struct FailureText {
    OpenFailure failure;
    const char* english;
    const char* russian;
};

constexpr FailureText kFailureTexts[] = {
    {OpenFailure::NoSuchDevice, "No such device: %1", "Нет такого устройства: %1"},
    {OpenFailure::PermissionDenied,
     "Permission denied: %1. Join the dialout group (sudo adduser $USER dialout) and log in "
     "again.",
     "Нет доступа: %1. Добавьте пользователя в группу dialout (sudo adduser $USER dialout) и "
     "войдите в систему заново."},
    {OpenFailure::Busy, "Busy: %1 is open in another program.",
     "Занято: %1 открыт другой программой."},
    {OpenFailure::NotSerial, "Not a serial device: %1", "Не последовательный порт: %1"},
    {OpenFailure::Other, "Could not open %1: %2", "Не удалось открыть %1: %2"},
};

QString failureText(const serial::PortStatus& status, bool english) {
    for (const FailureText& entry : kFailureTexts) {
        if (entry.failure != status.failure)
            continue;
        QString text =
            QString::fromUtf8(english ? entry.english : entry.russian).arg(status.devicePath);
        return status.failure == OpenFailure::Other ? text.arg(status.systemText) : text;
    }
    return status.devicePath;
}

} // namespace

QString portStatusText(const serial::PortStatus& status, qint16 languageFlag) {
    const bool english = app::isEnglish(languageFlag);
    const QString& path = status.devicePath;
    QString text;
    switch (status.state) {
    case State::Closed:
        break;
    case State::Open:
        text = english ? QStringLiteral("In use: %1").arg(path)
                       : QStringLiteral("Открыт: %1").arg(path);
        break;
    case State::Failed:
        text = failureText(status, english);
        break;
    case State::Lost:
        text = english ? QStringLiteral("Lost: %1. Waiting for it to come back.").arg(path)
                       : QStringLiteral("Потерян: %1. Ожидание подключения.").arg(path);
        break;
    }
    if (!status.missingRemembered.isEmpty()) {
        const QString missing =
            english ? QStringLiteral("The device chosen last time is missing: %1")
                          .arg(status.missingRemembered)
                    : QStringLiteral("Устройство, выбранное в прошлый раз, не найдено: %1")
                          .arg(status.missingRemembered);
        text = text.isEmpty() ? missing : missing + QLatin1Char('\n') + text;
    }
    return text;
}

} // namespace serial
