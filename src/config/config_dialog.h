// The "Quillnet Configuration" window (Win32 layer).
#pragma once

#include <windows.h>

namespace quillnet {

// Builds the dialog, runs its modal loop and returns when it has been closed. While
// one is open, a second request brings the open one forward.
void show_configuration_dialog(HWND owner);
// The OK handler: applies, saves and re-applies the settings, then closes the dialog.
void apply_configuration(HWND dialog);

}  // namespace quillnet
