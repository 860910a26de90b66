#include "recording_layer.h"

#include "form1.h"

#include <QAction>

namespace ui {

RecordingLayer::RecordingLayer(Form1& window, const field::FieldModel& model, Remember remember)
    : QObject(&window), m_window(window),
      m_recorder(
          model, [&window] { return window.settings().record().Results_Dir; },
          window.environment().locale, window.environment().now),
      m_remember(std::move(remember)) {
    connect(&window, &Form1::recordingToggled, this, [this](bool on) {
        m_recorder.setEnabled(on);
        if (m_remember)
            m_remember(on);
    });
    connect(&m_recorder, &record::Recorder::enabledChanged, this, [this](bool on) {
        if (!on)
            m_window.showRecording(QString());
    });
    connect(&m_recorder, &record::Recorder::fileChanged, this, [this](const QString& path) {
        m_window.showRecording(path);
        if (m_window.environment().note)
            m_window.environment().note(QStringLiteral("recording to ") + path);
    });
    // The failure comes in the middle of a polling step: the message waits until the step is
    // over, so its dialog does not run the event loop inside the step.
    connect(&m_recorder, &record::Recorder::failed, this, &RecordingLayer::tellFailure,
            Qt::QueuedConnection);
}

void RecordingLayer::tellFailure(const QString& path, const QString& reason) {
    const bool english = m_window.languageFlagInForce() == 0;
    const QString text = english
                             ? QStringLiteral("The measurements could not be written to %1: %2.\n"
                                              "Recording is off; polling goes on.")
                             : QStringLiteral("Не удалось записать измерения в %1: %2.\n"
                                              "Запись выключена, опрос продолжается.");
    if (m_window.environment().showMessage)
        m_window.environment().showMessage(text.arg(path, reason));
}

} // namespace ui
