// Where windows go on the screen: the DPI a window is shown at, and the place of a
// dialog that must be seen even when its owner is minimised or hidden in the tray.
#pragma once

#include <windows.h>

namespace quillnet {

// The dots per inch of the monitor the window is on (96 = 100 %). Uses
// GetDpiForWindow where the system has it, else the screen's LOGPIXELSY.
unsigned window_dpi(HWND window);

// The outer rectangle of a width x height window centred on the owner when the owner
// is visible and not minimised, else on the work area of the owner's monitor.
RECT dialog_rect(HWND owner, int width, int height);

}  // namespace quillnet
