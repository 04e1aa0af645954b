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
#include "ui/seen.h"
#include "net/line_kinds.h"

namespace quillnet {

namespace {

constexpr ColourRef UNKNOWN_FLAG_COLOUR = 0x787878;

// The flag banner of a page (for a flag) and its balloon texts, in full or privately.
BalloonTexts banner_and_balloon(const std::string& kind, const std::string& user_utf8, const std::string& room_utf8,
                                const std::string& text_utf8, ColourRef colour, bool private_balloon) {
    const std::wstring user = to_wide(user_utf8);
    const std::wstring room = to_wide(room_utf8);
    const std::wstring text = to_wide(text_utf8);
    const std::wstring sender = as_wide(sender_label(as_u16(user), as_u16(room)));
    if (kind == KIND_FLAG)
        show_flag_banner(room.empty() ? user : room, text, colour != 0 ? colour : UNKNOWN_FLAG_COLOUR);
    return arrival_balloon(kind, as_u16(sender), as_u16(text), private_balloon);
}

// Steps 2-3: the log line (saved), the banner for flags, and the balloon texts.
BalloonTexts log_and_banner(const IncomingMessage& message, bool private_balloon) {
    const std::wstring sender = as_wide(sender_label(as_u16(to_wide(message.user)), as_u16(to_wide(message.room))));
    const std::wstring line = as_wide(incoming_line(as_u16(format_time_of_day()), message.kind, as_u16(sender),
                                                    as_u16(to_wide(message.text))));
    append_line(line, true);
    return banner_and_balloon(message.kind, message.user, message.room, message.text, message.colour,
                              private_balloon);
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

// A repeat shows a hidden or minimised window and lifts it without activating it, so
// that the focus stays wherever the person is typing.
void show_without_activation(HWND window) {
    if (!IsWindowVisible(window) || IsIconic(window)) ShowWindow(window, SW_SHOWNOACTIVATE);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Steps 4-8 of the alert: sound, screen saver, the window, tray and task bar.
void run_alert(const AppState& state, const BalloonTexts& texts, bool may_activate) {
    const Settings& settings = state.settings;
    if (settings.sound_enabled) play_arrival_sound(settings);
    if (settings.interrupt_screensaver_on_receive) interrupt_screen_saver();

    HWND window = state.main_window;
    if (!window) return;
    if (settings.bring_to_front_on_receive) {
        if (may_activate)
            bring_to_front(window);
        else
            show_without_activation(window);
    }

    if (GetForegroundWindow() != window || !IsWindowVisible(window)) {
        start_tray_flash();
        show_tray_balloon(as_wide(texts.title), as_wide(texts.text));
    }
    flash_task_bar(window);
}

}  // namespace

void on_message_received(const IncomingMessage& message) {
    AppState* state = app();
    if (!state) return;
    const BalloonTexts texts = log_and_banner(message, state->settings.private_balloons);
    // Pages taken off the queue while the program leaves are only recorded.
    if (state->exiting) return;
    page_shown(message);
    run_alert(*state, texts, true);
}

void repeat_urgent_alert() {
    AppState* state = app();
    AwaitingPage page;
    if (!state || !take_urgent_repeat(page)) return;
    const BalloonTexts texts = banner_and_balloon(page.kind, page.user, page.room, page.text, page.colour,
                                                  state->settings.private_balloons);
    run_alert(*state, texts, false);
}

void on_alert_timer(UINT_PTR timer_id) {
    switch (timer_id) {
        case BANNER_TIMEOUT_TIMER: banner_timeout(); break;
        case TRAY_FLASH_TIMER: tray_flash_step(); break;
        case BANNER_BLINK_TIMER: banner_blink_step(); break;
        case URGENT_REPEAT_TIMER: repeat_urgent_alert(); break;
        default: break;
    }
}

}  // namespace quillnet
