// What the tray icon's clicks do: a left click brings the hidden window back (and ends
// the tray flash), a right click opens the tray menu.
#include <windows.h>

#include "alert/alerts.h"
#include "app/tray_actions.h"
#include "base/win_handles.h"
#include "ui/app_state.h"
#include "ui/tray.h"

namespace quillnet {

void restore_window() {
    AppState* s = app();
    if (!s) return;
    ShowWindow(s->main_window, SW_SHOW);
    ShowWindow(s->main_window, SW_RESTORE);
    SetForegroundWindow(s->main_window);
    stop_tray_flash();
}

namespace {

void show_tray_menu(HWND window) {
    MenuHandle menu(create_tray_menu());
    if (!menu.get()) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    // Without being the foreground window the menu would not close when the user
    // clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
    // Lets the menu close properly on the next click (documented TrackPopupMenu remark).
    PostMessageW(window, WM_NULL, 0, 0);
}

}  // namespace

void on_tray_callback(LPARAM mouse_message) {
    switch (LOWORD(mouse_message)) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
        restore_window();
        break;
    case WM_RBUTTONUP:
        if (AppState* s = app()) show_tray_menu(s->main_window);
        break;
    default:
        break;
    }
}

}  // namespace quillnet
