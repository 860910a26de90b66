#include "window_layers.h"

#include "form1.h"

namespace ui {

WindowLayers::WindowLayers(Form1& window, RecordingLayer::Remember remember)
    : field(window.session(), window), recording(window.session(), window, std::move(remember)) {
    QObject::connect(&window, &Form1::instrumentRequested, &field,
                     [this](int address) { field.open(address); });
    QObject::connect(&window, &Form1::instrumentBehindRequested, &field,
                     [this](const QByteArray& unique) { field.openBehind(unique); });
    QObject::connect(&window, &Form1::languageChanged, &field, &FieldLayer::setLanguage);
    QObject::connect(&window, &Form1::languageChanged, &recording, &RecordingLayer::sayAgain);
    QObject::connect(&window, &Form1::recordingToggled, &recording, &RecordingLayer::setRecording);
}

} // namespace ui
