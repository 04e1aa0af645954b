// The notification-area icon's alert behaviour: icon changes, balloons and the
// alternation between the normal and the red icon while a page is unseen.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "alert/alert_steps.h"
#include "alert/alerts.h"
#include "ui/app_state.h"
#include "base/system_library.h"
#include "ui/ids.h"

namespace quillnet {

namespace {

// szInfoTitle holds 64 units and szInfo 256, each with its terminator.
constexpr std::size_t BALLOON_TITLE_UNITS = 63;
constexpr std::size_t BALLOON_TEXT_UNITS = 255;

void copy_into(wchar_t* field, std::size_t max_units, const std::wstring& text) {
    const std::wstring cut = cut_utf16(text, max_units);
    std::wmemcpy(field, cut.c_str(), cut.size());
    field[cut.size()] = L'\0';
}

}  // namespace

std::wstring cut_utf16(const std::wstring& text, std::size_t max_units) {
    if (text.size() <= max_units) return text;
    std::size_t length = max_units;
    // A high surrogate at the cut would be left without its partner.
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    return text.substr(0, length);
}

void set_tray_icon(HICON icon) {
    AppState* state = app();
    if (!state || !state->tray_icon_present) return;
    state->tray_icon.hIcon = icon;
    state->tray_icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    notify_icon(NIM_MODIFY, &state->tray_icon);
}

void show_tray_balloon(const std::wstring& title, const std::wstring& text) {
    AppState* state = app();
    if (!state || !state->tray_icon_present) return;
    // A copy, so that NIF_INFO and the balloon texts never stick to the shared
    // record that later icon and tooltip changes send.
    NOTIFYICONDATAW balloon = state->tray_icon;
    balloon.uFlags = NIF_INFO;
    static_assert(sizeof balloon.szInfoTitle / sizeof(wchar_t) == BALLOON_TITLE_UNITS + 1, "balloon title size");
    static_assert(sizeof balloon.szInfo / sizeof(wchar_t) == BALLOON_TEXT_UNITS + 1, "balloon text size");
    copy_into(balloon.szInfoTitle, BALLOON_TITLE_UNITS, title);
    copy_into(balloon.szInfo, BALLOON_TEXT_UNITS, text);
    balloon.dwInfoFlags = NIIF_INFO;
    notify_icon(NIM_MODIFY, &balloon);
}

void stop_tray_flash() {
    AppState* state = app();
    if (!state || !state->tray_flashing) return;
    if (state->main_window) KillTimer(state->main_window, TRAY_FLASH_TIMER);
    state->tray_flashing = false;
    if (state->tray_icon_present) set_tray_icon(state->small_icon);
}

void start_tray_flash() {
    AppState* state = app();
    if (!state || !state->tray_icon_present) return;
    state->tray_flashing = true;
    state->tray_alert_icon_shown = true;
    set_tray_icon(state->alert_icon);
    if (state->main_window) SetTimer(state->main_window, TRAY_FLASH_TIMER, TRAY_FLASH_MS, nullptr);
}

void tray_flash_step() {
    AppState* state = app();
    if (!state) return;
    state->tray_alert_icon_shown = !state->tray_alert_icon_shown;
    set_tray_icon(state->tray_alert_icon_shown ? state->alert_icon : state->small_icon);
}

}  // namespace quillnet
