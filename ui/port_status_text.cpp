#include "port_status_text.h"

namespace ui {

namespace {

using serial::OpenFailure;
using State = serial::PortStatus::State;

QString englishFailure(OpenFailure failure, const QString& path, const QString& systemText) {
    switch (failure) {
    case OpenFailure::NoSuchDevice:
        return QStringLiteral("No such device: %1").arg(path);
    case OpenFailure::PermissionDenied:
        return QStringLiteral("Permission denied: %1. Join the dialout group "
                              "(sudo adduser $USER dialout) and log in again.")
            .arg(path);
    case OpenFailure::Busy:
        return QStringLiteral("Busy: %1 is open in another program.").arg(path);
    case OpenFailure::NotSerial:
        return QStringLiteral("Not a serial device: %1").arg(path);
    case OpenFailure::Other:
        break;
    }
    return QStringLiteral("Could not open %1: %2").arg(path, systemText);
}

QString russianFailure(OpenFailure failure, const QString& path, const QString& systemText) {
    switch (failure) {
    case OpenFailure::NoSuchDevice:
        return QStringLiteral("Нет такого устройства: %1").arg(path);
    case OpenFailure::PermissionDenied:
        return QStringLiteral("Нет доступа: %1. Добавьте пользователя в группу dialout "
                              "(sudo adduser $USER dialout) и войдите в систему заново.")
            .arg(path);
    case OpenFailure::Busy:
        return QStringLiteral("Занято: %1 открыт другой программой.").arg(path);
    case OpenFailure::NotSerial:
        return QStringLiteral("Не последовательный порт: %1").arg(path);
    case OpenFailure::Other:
        break;
    }
    return QStringLiteral("Не удалось открыть %1: %2").arg(path, systemText);
}

} // namespace

QString portStatusText(const serial::PortStatus& status, qint16 languageFlag) {
    const bool english = languageFlag == 0;
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
        text = english ? englishFailure(status.failure, path, status.systemText)
                       : russianFailure(status.failure, path, status.systemText);
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

} // namespace ui
