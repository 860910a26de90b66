#pragma once

#include "record/recorder.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace ui {

class Form1;

// Recording as the window offers it: the menu item turns it on and off and is remembered, the
// window shows where the lines go, and a file that cannot be written is said once, in the
// language in force, while polling goes on.
class RecordingLayer : public QObject {
    Q_OBJECT
public:
    using Remember = std::function<void(bool on)>;

    // `remember` keeps the operator's choice from the menu for the next start.
    RecordingLayer(Form1& window, Remember remember);

    record::Recorder& recorder() { return m_recorder; }

    // After a failure: looks whether the file could be written again now (room on the disk, the
    // permission back, the folder there), and offers recording again in the results panel when
    // it can. Called every few seconds while recording is off after a failure.
    void lookAgain();

private:
    void tellFailure(const QString& path, const QString& reason);
    void showStopped();

    Form1& m_window;
    record::Recorder& m_recorder; // the window's session's
    Remember m_remember;
    QTimer* m_lookAgain = nullptr;
    QString m_failedPath; // empty: no failure to come back from
    QString m_failedReason;
    bool m_writableAgain = false;
};

} // namespace ui
