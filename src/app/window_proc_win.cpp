// The window procedure of "QuillnetWindow": user actions, the engine's posted messages,
// timers and the tray icon each reach the handler that owns them. Closing and
// minimising only hide the window; Exit is the one way out.
#include <windows.h>

#include "alert/alerts.h"
#include "app/config_apply.h"
#include "app/engine_events.h"
#include "app/key_apply.h"
#include "app/tray_actions.h"
#include "app/window_proc.h"
#include "ui/app_state.h"
#include "base/win_placement.h"
#include "net/events.h"
#include "ui/about_dialog.h"
#include "ui/board.h"
#include "ui/conversation_log.h"
#include "ui/flag_button.h"
#include "ui/key_window.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/network_check.h"
#include "ui/rooms_list.h"
#include "ui/seen.h"
#include "ui/sending.h"
#include "ui/tray.h"

namespace quillnet {

namespace {

constexpr int MIN_TRACK_WIDTH = 780;
constexpr int MIN_TRACK_HEIGHT = 620;

bool slot_below(int slot, std::size_t count) { return slot >= 0 && static_cast<std::size_t>(slot) < count; }

void stop_engine(AppState& s) {
    try {
        s.engine.stop();
    } catch (...) {
        // The quit message below must go out whatever the engine did.
    }
}

// What a program on its way out still owes, whichever of Exit and the end of the
// session comes first (the second finds little left to do): the icon leaves the tray,
// the engine says goodbye and stops (nothing new is posted after that), the pages
// already acknowledged and still waiting in the queue are shown and saved, and lines
// still awaiting their result are saved as they stand.
void leave(HWND window, AppState& s) {
    s.exiting = true;
    remove_tray_icon();
    stop_engine(s);
    {
        // Every page goes to the history file as it is taken off the queue; the view
        // gets them in one change at the end.
        const LogViewHold hold;
        drain_queued_engine_events(window);
    }
    save_pending_lines();
}

LRESULT on_destroy(HWND window) {
    if (AppState* s = app()) leave(window, *s);
    // The board and Seen go with their controls.
    forget_board();
    forget_seen();
    PostQuitMessage(0);
    return 0;
}

// The session is ending and the process will be ended without Exit. WM_ENDSESSION is
// sent, so it comes ahead of everything posted and still queued.
LRESULT on_end_session(HWND window, WPARAM ending) {
    AppState* s = app();
    if (ending && s) leave(window, *s);
    return 0;
}

LRESULT on_size(HWND window, WPARAM kind, LPARAM size) {
    if (kind == SIZE_MINIMIZED) {
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    layout_controls(LOWORD(size), HIWORD(size));
    return 0;
}

// The keyboard focus goes back where the user left it in the window, else into the
// compose field, so that typing after a tray restore, Alt+Tab or a page raising the
// window lands somewhere. A hidden window never takes it.
LRESULT on_activate(HWND window, WPARAM state) {
    AppState* s = app();
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (s && focus && IsChild(window, focus)) s->last_focus = focus;
        return 0;
    }
    stop_tray_flash();
    if (!s || HIWORD(state) != 0 || !IsWindowVisible(window)) return 0;
    HWND target = s->last_focus;
    if (!target || !IsWindow(target) || !IsChild(window, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = s->input_edit;
    if (target) SetFocus(target);
    return 0;
}

LRESULT on_close(HWND window) {
    AppState* s = app();
    if (!s || s->exiting) {
        DestroyWindow(window);
        return 0;
    }
    ShowWindow(window, SW_HIDE);
    if (!s->tray_hint_shown) {
        show_tray_balloon(L"Quillnet", L"Still running in the tray. Right-click the tray icon for options.");
        s->tray_hint_shown = true;
    }
    return 0;
}

LRESULT on_get_min_max_info(HWND window, LPARAM info) {
    auto* limits = reinterpret_cast<MINMAXINFO*>(info);
    const AppState* s = app();
    const unsigned dpi = s ? s->dpi : window_dpi(window);
    limits->ptMinTrackSize.x = scale_px(MIN_TRACK_WIDTH, dpi);
    limits->ptMinTrackSize.y = scale_px(MIN_TRACK_HEIGHT, dpi);
    return 0;
}

// Moved to a monitor of another DPI: fonts for it, the suggested rectangle, a new layout.
LRESULT on_dpi_changed(HWND window, WPARAM wparam, LPARAM lparam) {
    apply_window_dpi(LOWORD(wparam));
    const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
    if (suggested)
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(window, &client);
    layout_controls(client.right - client.left, client.bottom - client.top);
    return 0;
}

LRESULT on_draw_item(HWND window, WPARAM wparam, LPARAM lparam) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    const AppState* s = app();
    if (s && item && item->CtlType == ODT_BUTTON &&
        slot_below(static_cast<int>(item->CtlID) - FLAG_BUTTON_BASE, s->settings.flags.size())) {
        draw_flag_button(*item);
        return TRUE;
    }
    if (item && item->CtlType == ODT_LISTBOX && draw_board_row(*item)) return TRUE;
    return DefWindowProcW(window, WM_DRAWITEM, wparam, lparam);
}

// A click on the banner ends the flag banner and the tray flash, and acknowledges
// the pages shown.
void on_banner_click(HWND window) {
    KillTimer(window, BANNER_TIMEOUT_TIMER);
    reset_banner();
    stop_tray_flash();
    acknowledge_shown_pages();
}

void on_exit(HWND window) {
    if (AppState* s = app()) s->exiting = true;
    DestroyWindow(window);
}

// A click, a menu item or a key of the accelerator table; a double-click's second
// click (BN_DOUBLECLICKED) is not another press.
bool is_press(int code) { return code == BN_CLICKED || code == 1; }

LRESULT on_command(HWND window, WPARAM wparam) {
    const int id = LOWORD(wparam);
    const int code = HIWORD(wparam);
    const AppState* s = app();
    if (!s) return 0;
    if (id == ID_BANNER) {
        if (code == STN_CLICKED) on_banner_click(window);
    } else if (id == ID_ROOMS_LIST) {
        if (code == LBN_SELCHANGE) on_rooms_selection_changed();
    } else if (on_board_command(id, code)) {
    } else if (id == IDM_ACKNOWLEDGE || id == ID_SEEN_BUTTON) {
        // F11 also while a modal window is open (its loop passes the key on).
        if (is_press(code)) acknowledge_shown_pages();
    } else if (id == ID_EVERYONE_CHECK) {
        if (code == BN_CLICKED) on_everyone_clicked();
    } else if (id == IDM_CONFIGURATION || id == IDM_SITE_KEY || id == IDM_ABOUT || id == IDM_NETWORK_CHECK ||
               id == IDM_CLEAR_HISTORY) {
        // One modal window at a time: a second request brings the open one forward.
        if (bring_modal_forward()) return 0;
        if (id == IDM_CONFIGURATION) show_configuration(window);
        if (id == IDM_SITE_KEY) show_key_window(window, save_site_key);
        if (id == IDM_ABOUT) show_about_dialog(window);
        if (id == IDM_NETWORK_CHECK) show_network_check(window);
        if (id == IDM_CLEAR_HISTORY) clear_history_command();
    } else if (id == IDM_EXIT) {
        on_exit(window);
    } else if (id == IDM_OPEN) {
        restore_window();
    } else if (!is_press(code)) {
        return 0;
    } else if (id == ID_SEND_BUTTON) {
        send_typed_message();
    } else if (slot_below(id - QUICK_BUTTON_BASE, s->settings.quick_messages.size())) {
        send_quick_message(id - QUICK_BUTTON_BASE);
    } else if (slot_below(id - FLAG_BUTTON_BASE, s->settings.flags.size())) {
        send_flag(id - FLAG_BUTTON_BASE);
    }
    return 0;
}

LRESULT on_timer(WPARAM timer_id) {
    if (timer_id == TRAY_RETRY_TIMER)
        add_tray_icon_again();
    else if (timer_id == BOARD_REFRESH_TIMER)
        refresh_board();
    else
        on_alert_timer(static_cast<UINT_PTR>(timer_id));
    return 0;
}

LRESULT on_ctl_color_static(HWND window, WPARAM dc, LPARAM control) {
    const AppState* s = app();
    if (s && s->banner && reinterpret_cast<HWND>(control) == s->banner)
        return reinterpret_cast<LRESULT>(banner_colours(reinterpret_cast<HDC>(dc)));
    if (s && s->log_view && reinterpret_cast<HWND>(control) == s->log_view) {
        // Read-only is not disabled: the log keeps the colours of a text field.
        SetTextColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(dc), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    return DefWindowProcW(window, WM_CTLCOLORSTATIC, dc, control);
}

LRESULT on_tray_message(LPARAM mouse_message) {
    on_tray_callback(mouse_message);
    return 0;
}

LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY: return on_destroy(window);
    case WM_ENDSESSION: return on_end_session(window, wparam);
    case WM_SIZE: return on_size(window, wparam, lparam);
    case WM_ACTIVATE: return on_activate(window, wparam);
    case WM_CLOSE: return on_close(window);
    case WM_GETMINMAXINFO: return on_get_min_max_info(window, lparam);
    case WM_DRAWITEM: return on_draw_item(window, wparam, lparam);
    case WM_COMMAND: return on_command(window, wparam);
    case WM_TIMER: return on_timer(wparam);
    case WM_CTLCOLORSTATIC: return on_ctl_color_static(window, wparam, lparam);
    case WM_APP_TRAY: return on_tray_message(lparam);
    case WM_DPICHANGED: return on_dpi_changed(window, wparam, lparam);
    default:
        // Every kind the engine posts goes to the one place that owns its payload.
        if (is_engine_event(message)) return on_engine_event(window, message, lparam);
        // The shell announces a (re)started task bar with a registered message.
        if (message == taskbar_created_message()) {
            add_tray_icon_again();
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // No exception may unwind into the system's message dispatch.
    try {
        return handle_message(window, message, wparam, lparam);
    } catch (...) {
        if (message == WM_DESTROY) PostQuitMessage(0);
        return 0;
    }
}

}  // namespace quillnet
