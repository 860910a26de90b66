#include "app/paths.h"
#include "app/program_identity.h"
#include "ui/folder_picker.h"
#include "ui/form1.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(app::productWord());
    QApplication::setApplicationVersion(app::programVersion());

    ui::Form1Environment environment;
    environment.showMessage = [](const QString& text) {
        // Messages name folders and files, which may hold '<': shown as text, never markup.
        QMessageBox box(QMessageBox::Information, app::programTitle(), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        box.exec();
    };
    environment.note = [](const QString& line) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(app::productWord()), qPrintable(line));
    };
    environment.pickFolder = ui::systemFolderPicker();
    environment.now = &QDateTime::currentDateTime;
    environment.locale = QLocale::system();
    environment.settingsDir = app::settingsDirFromEnvironment();
    environment.availableScreen = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry() : QRect();
    };

    ui::Form1 window(environment);
    window.Form_Load();
    window.show();
    return application.exec();
}
