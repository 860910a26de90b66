#include "message_gate.h"

namespace ui {

MessageGate::MessageGate(Busy busy, Show show, QObject* parent)
    : QObject(parent), m_busy(std::move(busy)), m_show(std::move(show)) {}

void MessageGate::post(const QString& text) {
    if (m_open.contains(text) || m_waiting.contains(text))
        return;
    if (!m_busy || !m_busy()) {
        show(text);
        return;
    }
    m_waiting << text;
}

void MessageGate::show(const QString& text) {
    m_open << text;
    m_show(text);
    m_open.removeLast();
}

void MessageGate::release() {
    if (m_waiting.isEmpty() || m_scheduled)
        return;
    // Queued: the step that said it is over is still unwinding its last frames.
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &MessageGate::showWaiting, Qt::QueuedConnection);
}

void MessageGate::showWaiting() {
    m_scheduled = false;
    // Delivered by a yield of the next step, it waits for that one to end. A box shown here runs
    // its own event loop, in which further steps may go by and add to the list.
    while (!m_waiting.isEmpty() && !(m_busy && m_busy()))
        show(m_waiting.takeFirst());
}

} // namespace ui
