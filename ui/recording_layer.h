#pragma once

#include "record/recorder.h"

#include <QObject>

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

    // Created once the window has read its settings, so the results folder is the one in use.
    // `remember` keeps the operator's choice from the menu for the next start.
    RecordingLayer(Form1& window, const field::FieldModel& model, Remember remember);

    record::Recorder& recorder() { return m_recorder; }

private:
    void tellFailure(const QString& path, const QString& reason);

    Form1& m_window;
    record::Recorder m_recorder;
    Remember m_remember;
};

} // namespace ui
