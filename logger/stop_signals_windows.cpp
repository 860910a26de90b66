#include "logger/stop_signals.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

namespace logger {

namespace {

std::function<void()> g_stop;

// Runs on a thread of its own that the system starts for the console event: the stop itself is
// handed to the event loop.
BOOL WINAPI requestStop(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { g_stop(); }, Qt::QueuedConnection);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void onStopRequest(std::function<void()> stop) {
    g_stop = std::move(stop);
    SetConsoleCtrlHandler(requestStop, TRUE);
}

} // namespace logger
