#pragma once

#include "core/loop_session.h"
#include "ui/form1.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>

// What a window under test said and asked for, and what its folder picker answers.
struct WindowRecorder {
    QStringList messages;
    QStringList notes; // lines for standard error
    QStringList pickerTitles;
    QList<qint32> pickerRegims;
    QString pickerAnswer;
};

// 4 December 2026, a Friday.
inline QDateTime fixedNow() {
    return QDateTime(QDate(2026, 12, 4), QTime(10, 20, 30));
}

inline QString settingsDirIn(const QTemporaryDir& root) {
    return root.path() + QStringLiteral("/Corvantelis v.1.03/");
}

inline ui::Form1Environment testEnvironment(WindowRecorder& recorder, QDateTime now = fixedNow(),
                                            QLocale locale = QLocale(QLocale::English,
                                                                     QLocale::UnitedStates)) {
    ui::Form1Environment env;
    env.showMessage = [&recorder](const QString& text) { recorder.messages << text; };
    env.note = [&recorder](const QString& line) { recorder.notes << line; };
    env.pickFolder = [&recorder](const QString& title, qint32 regim) {
        recorder.pickerTitles << title;
        recorder.pickerRegims << regim;
        return recorder.pickerAnswer;
    };
    env.now = [now] { return now; };
    env.locale = locale;
    return env;
}

// A window over a loop session of its own keeping its settings in `settingsDir`, made as the
// program's main makes them; the session goes with the window.
inline std::unique_ptr<ui::Form1> makeWindow(const QString& settingsDir, ui::Form1Environment env) {
    core::LoopSession::Setup setup;
    setup.settingsDir = settingsDir;
    setup.now = env.now;
    setup.locale = env.locale;
    auto* session = new core::LoopSession(setup);
    auto window = std::make_unique<ui::Form1>(*session, std::move(env));
    session->setParent(window.get());
    return window;
}

// A window that went through its start-up.
inline std::unique_ptr<ui::Form1> startWindow(const QString& settingsDir, WindowRecorder& recorder,
                                              QDateTime now = fixedNow()) {
    auto window = makeWindow(settingsDir, testEnvironment(recorder, now));
    window->Form_Load();
    return window;
}
