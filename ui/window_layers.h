#pragma once

#include "field_layer.h"
#include "recording_layer.h"

namespace ui {

class Form1;

// The layers beside the board, made for one window: they take the window's loop session and
// what the window lets them show, and follow what the operator asks for in it (an instrument's
// view, recording on or off, the other language).
struct WindowLayers {
    WindowLayers(Form1& window, RecordingLayer::Remember remember);

    FieldLayer field;
    RecordingLayer recording;
};

} // namespace ui
