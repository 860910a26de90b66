#include "window_icon.h"

#include <QWidget>

#include <windows.h>

namespace ui {

namespace {

void sendIcon(HWND owner, HWND window, bool alsoOwner, WPARAM which, int widthMetric,
              int heightMetric, const QByteArray& name) {
    const HANDLE icon =
        LoadImageA(GetModuleHandleA(nullptr), name.constData(), IMAGE_ICON,
                   GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED);
    if (alsoOwner)
        SendMessageA(owner, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
}

} // namespace

void Set_Window_Icon(QWidget* window, const QString& resourceName, bool alsoOwner) {
    if (!window)
        return;
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    HWND owner = handle;
    if (alsoOwner) {
        for (HWND next = GetWindow(owner, GW_OWNER); next; next = GetWindow(owner, GW_OWNER))
            owner = next;
    }
    const QByteArray name = resourceName.toLocal8Bit();
    sendIcon(owner, handle, alsoOwner, ICON_BIG, SM_CXICON, SM_CYICON, name);
    sendIcon(owner, handle, alsoOwner, ICON_SMALL, SM_CXSMICON, SM_CYSMICON, name);
}

} // namespace ui
