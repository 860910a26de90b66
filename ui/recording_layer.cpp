#include "recording_layer.h"

#include "app/language.h"

#include "form1.h"

#include "core/loop_session.h"
#include "record/append_only_file.h"

#include <QAction>

namespace ui {

RecordingLayer::RecordingLayer(Form1& window, Remember remember)
    : QObject(&window), m_window(window), m_recorder(window.session().recorder()),
      m_remember(std::move(remember)) {
    connect(&window, &Form1::recordingToggled, this, [this](bool on) {
        m_recorder.setEnabled(on);
        if (m_remember)
            m_remember(on);
    });
    connect(&m_recorder, &record::Recorder::enabledChanged, this, [this](bool on) {
        if (on) {
            m_failedPath.clear();
            m_lookAgain->stop();
        }
        if (!on)
            m_window.showRecording(QString());
    });
    connect(&window, &Form1::languageChanged, this, [this] {
        if (!m_failedPath.isEmpty())
            showStopped();
    });
    m_lookAgain = new QTimer(this);
    m_lookAgain->setInterval(5000);
    connect(m_lookAgain, &QTimer::timeout, this, &RecordingLayer::lookAgain);
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
    const bool english = app::isEnglish(m_window.languageFlagInForce());
    const QString text =
        english ? QStringLiteral("The measurements could not be written to %1: %2.\n"
                                 "Recording is off; polling goes on. Once the file can be written "
                                 "again, Setting → Record measurements turns recording back on.")
                : QStringLiteral("Не удалось записать измерения в %1: %2.\n"
                                 "Запись выключена, опрос продолжается. Когда в файл снова можно "
                                 "будет писать, Настройка → Записывать измерения включит запись.");
    m_failedPath = path;
    m_failedReason = reason;
    m_writableAgain = false;
    showStopped();
    m_lookAgain->start();
    if (m_window.environment().showMessage)
        m_window.environment().showMessage(text.arg(path, reason));
}

void RecordingLayer::lookAgain() {
    if (m_failedPath.isEmpty() || m_recorder.isEnabled()) {
        m_lookAgain->stop();
        return;
    }
    // The file recording would go into if it were turned on now: today's, in the results folder
    // in force.
    const bool writable =
        record::canAppendTo(m_recorder.currentFile(), m_window.settings().record().Results_Dir);
    if (writable == m_writableAgain)
        return;
    m_writableAgain = writable;
    showStopped();
}

void RecordingLayer::showStopped() {
    const bool english = app::isEnglish(m_window.languageFlagInForce());
    QString text;
    if (m_writableAgain)
        text = english ? QStringLiteral("Recording stopped; %1 can be written again: Setting → "
                                        "Record measurements turns it back on.")
                             .arg(m_failedPath)
                       : QStringLiteral("Запись остановлена; в %1 снова можно писать: Настройка → "
                                        "Записывать измерения включит её.")
                             .arg(m_failedPath);
    else
        text =
            english
                ? QStringLiteral("Recording stopped: %1: %2.").arg(m_failedPath, m_failedReason)
                : QStringLiteral("Запись остановлена: %1: %2.").arg(m_failedPath, m_failedReason);
    m_window.showRecordingNote(text);
}

} // namespace ui
