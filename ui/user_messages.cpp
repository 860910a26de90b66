#include "user_messages.h"

#include "app/language.h"

namespace ui {

QString saveFailedMessage(qint16 languageFlag, const QString& detail) {
    if (!app::isEnglish(languageFlag))
        return QStringLiteral("Не удалось сохранить файл настроек %1\n"
                              "Настройка действует до закрытия программы.")
            .arg(detail);
    return QStringLiteral("The settings file could not be saved: %1\n"
                          "The setting stays in force until the program ends.")
        .arg(detail);
}

QString folderFailedMessage(qint16 languageFlag, const QString& detail) {
    if (!app::isEnglish(languageFlag))
        return QStringLiteral("Не удалось создать папку %1").arg(detail);
    return QStringLiteral("The folder could not be created: %1").arg(detail);
}

QString folderTooLongMessage(qint16 languageFlag, const QString& folder) {
    if (!app::isEnglish(languageFlag))
        return QStringLiteral("Путь к папке слишком длинный для файла настроек (не более 498 "
                              "байт); директория не изменена:\n%1")
            .arg(folder);
    return QStringLiteral("The folder path is too long for the settings file (498 bytes at "
                          "most); the directory stays as it was:\n%1")
        .arg(folder);
}

QString pathAndReason(const QString& path, const QString& reason) {
    return path + QStringLiteral(": ") + reason;
}

} // namespace ui
