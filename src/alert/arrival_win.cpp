// Everything done when a page from another workstation arrives, in a fixed order:
// log line and history, flag banner, sound, screen saver, raising the window, tray
// flashing and balloon, task-bar flash. Also the dispatch of the three alert timers.
#include <windows.h>

#include <memory>

#include "alert/alert_steps.h"
#include "alert/alerts.h"
#include "alert/balloon_texts.h"
#include "alert/sound.h"
#include "ui/app_state.h"
#include "base/win_text.h"
#include "ui/conversation_log.h"
#include "ui/ids.h"
#include "ui/log_core.h"

namespace quillnet {

namespace {

constexpr ColourRef UNKNOWN_FLAG_COLOUR = 0x787878;

// Steps 2-3: the log line (saved), the banner for flags, and the balloon texts.
BalloonTexts log_and_banner(const IncomingMessage& message, bool private_balloon) {
    const std::wstring user = to_wide(message.user);
    const std::wstring room = to_wide(message.room);
    const std::wstring text = to_wide(message.text);
    const std::wstring sender = as_wide(sender_label(as_u16(user), as_u16(room)));
    const std::wstring line =
        as_wide(incoming_line(as_u16(format_time_of_day()), message.kind, as_u16(sender), as_u16(text)));
    append_line(line, true);

    if (message.kind == "FLAG")
        show_flag_banner(room.empty() ? user : room, text, message.colour != 0 ? message.colour : UNKNOWN_FLAG_COLOUR);
    return arrival_balloon(message.kind, as_u16(sender), as_u16(text), private_balloon);
}

void play_arrival_sound(const Settings& settings) {
    // The sound is a side show: whatever goes wrong starting it must not keep the
    // window from being raised and flashed.
    try {
        play_notification(settings.sound_file, settings.volume, settings.tone_freq, settings.tone_ms);
    } catch (...) {
    }
}

void interrupt_screen_saver() {
    // Without ES_CONTINUOUS this only resets the idle timers once; the zero-distance
    // relative mouse move is input, which ends a screen saver that is already running.
    SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
}

void bring_to_front(HWND window) {
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
    // A window hidden by minimising comes back minimised from SW_SHOW, so the
    // minimised state is checked after showing, not only for visible windows.
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);

    HWND foreground = GetForegroundWindow();
    const DWORD foreground_thread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const DWORD own_thread = GetCurrentThreadId();
    if (foreground_thread != 0 && foreground_thread != own_thread) {
        // The foreground lock lets only the thread that owns the foreground change it;
        // sharing its input state for a moment makes our request count as its own.
        AttachThreadInput(foreground_thread, own_thread, TRUE);
        SetForegroundWindow(window);
        BringWindowToTop(window);
        AttachThreadInput(foreground_thread, own_thread, FALSE);
    } else {
        SetForegroundWindow(window);
        BringWindowToTop(window);
    }
}

void flash_task_bar(HWND window) {
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = window;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    flash.uCount = 3;
    flash.dwTimeout = 0;  // the cursor blink rate
    FlashWindowEx(&flash);
}

}  // namespace

void on_message_received(const IncomingMessage& message) {
    AppState* state = app();
    if (!state) return;
    const Settings& settings = state->settings;

    const BalloonTexts texts = log_and_banner(message, settings.private_balloons);
    // Pages taken off the queue while the program leaves are only recorded.
    if (state->exiting) return;

    if (settings.sound_enabled) play_arrival_sound(settings);
    if (settings.interrupt_screensaver_on_receive) interrupt_screen_saver();

    HWND window = state->main_window;
    if (!window) return;
    if (settings.bring_to_front_on_receive) bring_to_front(window);

    if (GetForegroundWindow() != window || !IsWindowVisible(window)) {
        start_tray_flash();
        show_tray_balloon(as_wide(texts.title), as_wide(texts.text));
    }
    flash_task_bar(window);
}

void on_alert_timer(UINT_PTR timer_id) {
    switch (timer_id) {
        case BANNER_TIMEOUT_TIMER: banner_timeout(); break;
        case TRAY_FLASH_TIMER: tray_flash_step(); break;
        case BANNER_BLINK_TIMER: banner_blink_step(); break;
        default: break;
    }
}

}  // namespace quillnet
