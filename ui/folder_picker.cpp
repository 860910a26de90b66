#include "folder_picker.h"

#include <QDir>
#include <QFileDialog>

namespace ui {

FolderPicker systemFolderPicker() {
    return [](const QString& title, qint32) {
        const QString chosen = QFileDialog::getExistingDirectory(nullptr, title);
        return chosen.isEmpty() ? QString() : QDir::toNativeSeparators(chosen);
    };
}

} // namespace ui
