#include "user_messages.h"

#include "app/texts.h"

namespace ui {

QString saveFailedMessage(qint16 languageFlag, const QString& detail) {
    return app::text(app::Text::MessageSettingsNotSaved, languageFlag).arg(detail);
}

QString folderFailedMessage(qint16 languageFlag, const QString& detail) {
    return app::text(app::Text::MessageFolderNotCreated, languageFlag).arg(detail);
}

QString folderTooLongMessage(qint16 languageFlag, const QString& folder) {
    return app::text(app::Text::MessageFolderTooLong, languageFlag).arg(folder);
}

QString pathAndReason(const QString& path, const QString& reason) {
    return path + QStringLiteral(": ") + reason;
}

} // namespace ui
