#pragma once

#include <QString>

#include <functional>

namespace ui {

// What the layers beside the board (instrument views, recording) may show in the window, and
// nothing more: they are handed this and the loop session, never the window itself.
class WindowSurface {
public:
    // Measurements go into `file`; empty: they are not recorded.
    virtual void showRecording(const QString& file) = 0;
    // A word on recording while it is off; empty: nothing to say.
    virtual void showRecordingNote(const QString& text) = 0;
    // The last answer taken apart, shown over its bytes: `explain` makes the text (empty:
    // nothing) when it is to be shown, not for every answer that comes.
    virtual void showAnswerExplanation(std::function<QString()> explain) = 0;
    // A message for the operator, held while a polling step is under way.
    virtual void tell(const QString& text) = 0;
    // A line for the log, not worth a message.
    virtual void note(const QString& line) = 0;

protected:
    ~WindowSurface() = default;
};

} // namespace ui
