#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

namespace ui {

// The operator's messages, held back while a polling step is under way. A message box runs an
// event loop of its own until OK is clicked; opened inside a step (from a yield) it would hold
// the step, and the pass with it, for as long as the box stays open. Held back, it opens once the
// step has returned to the event loop with the answer wait armed, so the pass goes on underneath.
class MessageGate : public QObject {
    Q_OBJECT
public:
    using Busy = std::function<bool()>;
    using Show = std::function<void(const QString& text)>;

    // `busy` tells whether a step is under way now; `show` puts a message in front of the
    // operator and returns when it is dismissed.
    MessageGate(Busy busy, Show show, QObject* parent = nullptr);

    // Shows `text` now, or once the step under way is over. A message that is open already, or
    // waiting, is not added again: a port that fails the same way at every reopen (once a
    // second while it is lost) says so in one box, not in a pile of them.
    void post(const QString& text);
    // The step is over: what waited is shown as soon as the event loop is back in control.
    void release();
    int waiting() const { return int(m_waiting.size()); }

private:
    void showWaiting();
    void show(const QString& text);

    Busy m_busy;
    Show m_show;
    QStringList m_waiting;
    QStringList m_open; // the boxes open now, the innermost last
    bool m_scheduled = false;
};

} // namespace ui
