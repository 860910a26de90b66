#include "recording_layer.h"

#include "app/texts.h"

#include "window_surface.h"

#include "core/loop_session.h"
#include "record/append_only_file.h"

namespace ui {

RecordingLayer::RecordingLayer(core::LoopSession& session, WindowSurface& window, Remember remember,
                               QObject* parent)
    : QObject(parent), m_session(session), m_window(window), m_recorder(session.recorder()),
      m_remember(std::move(remember)) {
    connect(&m_recorder, &record::Recorder::enabledChanged, this, [this](bool on) {
        if (on) {
            m_failedPath.clear();
            m_lookAgain->stop();
        }
        if (!on)
            m_window.showRecording(QString());
    });
    m_lookAgain = new QTimer(this);
    m_lookAgain->setInterval(5000);
    connect(m_lookAgain, &QTimer::timeout, this, &RecordingLayer::lookAgain);
    connect(&m_recorder, &record::Recorder::fileChanged, this, [this](const QString& path) {
        m_window.showRecording(path);
        m_window.note(QStringLiteral("recording to ") + path);
    });
    // The failure comes in the middle of a polling step: the message waits until the step is
    // over, so its dialog does not run the event loop inside the step.
    connect(&m_recorder, &record::Recorder::failed, this, &RecordingLayer::tellFailure,
            Qt::QueuedConnection);
}

void RecordingLayer::setRecording(bool on) {
    m_recorder.setEnabled(on);
    if (m_remember)
        m_remember(on);
}

void RecordingLayer::sayAgain() {
    if (!m_failedPath.isEmpty())
        showStopped();
}

void RecordingLayer::tellFailure(const QString& path, const QString& reason) {
    const QString text = app::text(app::Text::MessageRecordingFailed, m_session.languageFlag());
    m_failedPath = path;
    m_failedReason = reason;
    m_writableAgain = false;
    showStopped();
    m_lookAgain->start();
    m_window.tell(text.arg(path, reason));
}

void RecordingLayer::lookAgain() {
    if (m_failedPath.isEmpty() || m_recorder.isEnabled()) {
        m_lookAgain->stop();
        return;
    }
    // The file recording would go into if it were turned on now: today's, in the results folder
    // in force.
    const bool writable =
        record::canAppendTo(m_recorder.currentFile(), m_session.settings().record().Results_Dir);
    if (writable == m_writableAgain)
        return;
    m_writableAgain = writable;
    showStopped();
}

void RecordingLayer::showStopped() {
    const qint16 flag = m_session.languageFlag();
    m_window.showRecordingNote(
        m_writableAgain
            ? app::text(app::Text::RecordingStoppedWritableAgain, flag).arg(m_failedPath)
            : app::text(app::Text::RecordingStopped, flag).arg(m_failedPath, m_failedReason));
}

} // namespace ui
