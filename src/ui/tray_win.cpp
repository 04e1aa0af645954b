// The notification-area icon: adding and removing it, its tooltip and its menu.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/app_state.h"
#include "ui/board.h"
#include "ui/board_rows.h"
#include "base/system_library.h"
#include "base/win_text.h"
#include "ui/main_window.h"
#include "ui/tray.h"
#include "base/win_handles.h"

namespace quillnet {

namespace {

constexpr UINT TRAY_ICON_ID = 1;
constexpr UINT TRAY_FLAGS = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr std::size_t TOOLTIP_UPDATE_LIMIT = 120;

// Copies text into the record's tooltip field: at most 127 units and the terminator.
void copy_tooltip(NOTIFYICONDATAW& record, const std::wstring& text) {
    const std::size_t capacity = sizeof record.szTip / sizeof record.szTip[0];
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::copy_n(text.c_str(), length, record.szTip);
    record.szTip[length] = L'\0';
}

// "Quillnet — room", and " — N flags raised" while the board has raised flags.
std::wstring tooltip_text(const AppState& state, std::size_t capacity) {
    return as_wide(tray_tooltip_text(as_u16(to_wide(state.settings.room)), raised_flag_count(), capacity));
}

}  // namespace

void add_tray_icon() {
    AppState* s = app();
    if (!s) return;
    s->tray_icon = NOTIFYICONDATAW{};
    s->tray_icon.cbSize = sizeof(NOTIFYICONDATAW);
    s->tray_icon.hWnd = s->main_window;
    s->tray_icon.uID = TRAY_ICON_ID;
    s->tray_icon.uFlags = TRAY_FLAGS;
    s->tray_icon.uCallbackMessage = WM_APP_TRAY;
    s->tray_icon.hIcon = s->small_icon;
    copy_tooltip(s->tray_icon, tooltip_text(*s, sizeof s->tray_icon.szTip / sizeof s->tray_icon.szTip[0] - 1));
    add_tray_icon_again();
}

void add_tray_icon_again() {
    AppState* s = app();
    if (!s || !s->main_window || s->exiting) return;
    // After a restart of the shell the old icon is gone; before the first start of the
    // task bar (start at login) the add fails. Either way the icon is added afresh,
    // and a failed add is tried again until the shell takes it: without the icon a
    // window hidden in the tray could be neither opened nor ended.
    s->tray_icon_present = notify_icon(NIM_ADD, &s->tray_icon) != FALSE;
    if (s->tray_icon_present)
        KillTimer(s->main_window, TRAY_RETRY_TIMER);
    else
        SetTimer(s->main_window, TRAY_RETRY_TIMER, TRAY_RETRY_MS, nullptr);
}

UINT taskbar_created_message() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void remove_tray_icon() {
    AppState* s = app();
    if (!s) return;
    if (s->main_window) KillTimer(s->main_window, TRAY_RETRY_TIMER);
    if (!s->tray_icon_present) return;
    notify_icon(NIM_DELETE, &s->tray_icon);
    s->tray_icon_present = false;
}

void update_tray_tooltip() {
    AppState* s = app();
    if (!s || !s->tray_icon_present) return;
    copy_tooltip(s->tray_icon, tooltip_text(*s, TOOLTIP_UPDATE_LIMIT));
    s->tray_icon.uFlags = TRAY_FLAGS;
    notify_icon(NIM_MODIFY, &s->tray_icon);
}

HMENU create_tray_menu() {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    AppendMenuW(menu, MF_STRING, IDM_OPEN, L"&Open Quillnet");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_CONFIGURATION, L"&Configuration\u2026");
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"&About\u2026");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_EXIT, L"E&xit");
    return menu;
}

}  // namespace quillnet
