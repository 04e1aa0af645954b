// The main window: controls, layout, keyboard table, window procedure and tray icon.
#pragma once

#include <windows.h>

#include <string>

namespace quillnet {

// Controls of the main window in their creation order, then the quick buttons.
void create_controls();
// Destroys and recreates the quick-message buttons from the live settings.
void create_quick_buttons();
// Rebuilds the accelerator table: F1..F10 for the quick messages, F11 acknowledges.
void build_accelerators();
// Moves every control for a client area of width x height.
void layout_controls(int width, int height);

// "Quillnet — user (room)", followed by " — sealed" with a valid site key.
std::wstring main_window_title();
// HWND_TOPMOST or HWND_NOTOPMOST from always_on_top, without moving or activating.
void apply_always_on_top();
// Tray tooltip "Quillnet — room" (and " — N flags raised") after a change.
void update_tray_tooltip();
// While a modal window of the main window is open: brings it to the front and
// returns true. False when none is open.
bool bring_modal_forward();
// Takes the window's DPI (96 = 100 %): fonts at that size on every control.
void apply_window_dpi(unsigned dpi);

}  // namespace quillnet
