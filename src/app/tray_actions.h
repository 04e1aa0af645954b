// What the tray icon's clicks do (Win32 layer).
#pragma once

#include <windows.h>

namespace quillnet {

// Shows, restores and raises the main window and stops the tray flash.
void restore_window();
// WM_APP_TRAY: left click restores the window, right click opens the tray menu.
void on_tray_callback(LPARAM mouse_message);

}  // namespace quillnet
