#pragma once

#include "record/recorder.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace core {
class LoopSession;
}

namespace ui {

class WindowSurface;

// Recording as the window offers it: the menu item turns it on and off and is remembered, the
// window shows where the lines go, and a file that cannot be written is said once, in the
// language in force, while polling goes on.
class RecordingLayer : public QObject {
    Q_OBJECT
public:
    using Remember = std::function<void(bool on)>;

    // `remember` keeps the operator's choice from the menu for the next start.
    RecordingLayer(core::LoopSession& session, WindowSurface& window, Remember remember,
                   QObject* parent = nullptr);

    record::Recorder& recorder() { return m_recorder; }
    // The operator turned recording on or off from the menu.
    void setRecording(bool on);
    // The language changed: what is shown about recording is said again in it.
    void sayAgain();

    // After a failure: looks whether the file could be written again now (room on the disk, the
    // permission back, the folder there), and offers recording again in the results panel when
    // it can. Called every few seconds while recording is off after a failure.
    void lookAgain();

private:
    void tellFailure(const QString& path, const QString& reason);
    void showStopped();

    core::LoopSession& m_session;
    WindowSurface& m_window;
    record::Recorder& m_recorder; // the session's
    Remember m_remember;
    QTimer* m_lookAgain = nullptr;
    QString m_failedPath; // empty: no failure to come back from
    QString m_failedReason;
    bool m_writableAgain = false;
};

} // namespace ui
