#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace ui {

// At most one action per interval: asked when it last ran longer ago than that, it runs at once;
// asked sooner, it runs once when the interval is over, however often it was asked meanwhile.
// Keeps a window that hears dozens of answers a second from redrawing for each of them, while
// the first change after a quiet spell still shows without delay.
class Throttle : public QObject {
public:
    Throttle(int intervalMs, std::function<void()> action, QObject* parent = nullptr);

    // Runs the action now or sees that it runs later.
    void request();
    // The same, except that when it may run now the caller does it itself: returns true then
    // (the run is counted), false when it is put off.
    bool requestRunningItself();

    bool isPending() const { return m_later.isActive(); }

private:
    void runLater();

    const int m_intervalMs;
    std::function<void()> m_action;
    QElapsedTimer m_sinceRun;
    QTimer m_later;
};

// Paces a top-level widget's repaints: Qt paints a window whenever its event loop turns with
// something changed, which over HART-IP is dozens of times a second. Here the changes gathered
// within an interval are painted in one pass; what changed last is painted at most one interval
// late. Asking for a repaint and being shown are unchanged otherwise.
class PaintPacer : public QObject {
public:
    PaintPacer(QWidget* window, int intervalMs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    Throttle m_throttle;
    bool m_passing = false;
};

// Twenty passes a second: a value changing faster than that cannot be read anyway, and a pass
// costs the same whether it paints one cell or forty.
constexpr int kPaintIntervalMs = 50;

} // namespace ui
