// What happens when a page arrives: log line, flag banner, sound, screen saver,
// raising the window, tray and task-bar flashing, balloon (Win32 layer).
#pragma once

#include <windows.h>

#include <string>

#include "config/settings.h"
#include "net/events.h"

namespace quillnet {

// A page arrived: log line, banner, sound and the other alerts the settings allow;
// a MSG, QUICK or FLAG page starts awaiting acknowledgement.
void on_message_received(const IncomingMessage& message);
// The urgent repeat timer: the alert of the newest urgent page that awaits with repeats
// left, once, without the log line and without activating the window.
void repeat_urgent_alert();

void show_flag_banner(const std::wstring& source, const std::wstring& label, ColourRef colour);
// Idle banner "Quillnet — room" on the idle colour; stops the blink.
void reset_banner();
void set_banner_colour(ColourRef colour);
// Answer to WM_CTLCOLORSTATIC for the banner: colours the DC and returns the brush.
HBRUSH banner_colours(HDC dc);

void set_tray_icon(HICON icon);
void show_tray_balloon(const std::wstring& title, const std::wstring& text);
void stop_tray_flash();

// Window timers: 1 banner timeout, 2 tray flash, 3 banner blink, the urgent repeat.
void on_alert_timer(UINT_PTR timer_id);

}  // namespace quillnet
