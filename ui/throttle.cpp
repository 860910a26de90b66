#include "throttle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace ui {

Throttle::Throttle(int intervalMs, std::function<void()> action, QObject* parent)
    : QObject(parent), m_intervalMs(intervalMs), m_action(std::move(action)) {
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, &Throttle::runLater);
}

void Throttle::request() {
    if (requestRunningItself())
        m_action();
}

bool Throttle::requestRunningItself() {
    if (m_later.isActive())
        return false; // already put off: that run takes this change too
    const qint64 since = m_sinceRun.isValid() ? m_sinceRun.elapsed() : m_intervalMs;
    if (since >= m_intervalMs) {
        m_sinceRun.start();
        return true;
    }
    m_later.start(int(m_intervalMs - since));
    return false;
}

void Throttle::runLater() {
    m_sinceRun.start();
    m_action();
}

PaintPacer::PaintPacer(QWidget* window, int intervalMs)
    : QObject(window), m_window(window), m_throttle(intervalMs, [this] {
          // Put off before: Qt waits for this request before it asks again.
          m_passing = true;
          QEvent request(QEvent::UpdateRequest);
          QCoreApplication::sendEvent(m_window, &request);
          m_passing = false;
      }) {
    window->installEventFilter(this);
}

bool PaintPacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window || event->type() != QEvent::UpdateRequest || m_passing)
        return false;
    return !m_throttle.requestRunningItself();
}

} // namespace ui
