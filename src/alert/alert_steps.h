// The timer steps of the alerts, shared between the banner, the tray and the timer
// dispatch (Win32 layer, not used outside src/alert).
#pragma once

#include <string>

namespace quillnet {

// Banner blink timer (3): one tick of the ten-tick blink.
void banner_blink_step();
// Banner time-out timer (1): one-shot return to the idle banner.
void banner_timeout();
// Tray flash timer (2): switches between the normal and the alert icon.
void tray_flash_step();
// Starts the tray flash on the alert icon (restarting timer 2 and the phase).
void start_tray_flash();

// text cut to at most max_units UTF-16 units, never between the two halves of a
// surrogate pair.
std::wstring cut_utf16(const std::wstring& text, std::size_t max_units);

}  // namespace quillnet
