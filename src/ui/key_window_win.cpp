// The site key window: a modal window built in code. It holds the key that OK will
// save (the pending key) apart from the one in use, so Cancel changes nothing.
#include <windows.h>

#include <string>

#include "ui/app_state.h"
#include "base/dialog_window.h"
#include "base/win_handles.h"
#include "base/win_placement.h"
#include "base/win_text.h"
#include "net/site_key.h"
#include "ui/clipboard.h"
#include "ui/key_texts.h"
#include "ui/key_window.h"
#include "ui/layout.h"

namespace quillnet {

namespace {

constexpr DWORD LABEL_STYLE = WS_CHILD | WS_VISIBLE;
constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD KEY_EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY;

constexpr wchar_t PASTE_REFUSED[] =
    L"The clipboard does not hold a site key (64 hexadecimal digits expected). The key was not changed.";
constexpr wchar_t SAVE_FAILED[] =
    L"The site key could not be saved to Quillnet.ini (is its folder read-only?). Nothing was changed.";
constexpr wchar_t GENERATE_FAILED[] = L"No key could be made: the system's random generator failed.";

struct KeyWindowState {
    HWND window = nullptr;
    std::string current;  // the key text in use when the window opened
    std::string pending;  // what OK saves; empty means open mode
    SaveSiteKey save;
};

KeyWindowState& key_window() {
    static KeyWindowState state;
    return state;
}

HWND add_control(HWND window, const wchar_t* window_class, const std::wstring& text, DWORD style, KeyBox b,
                 int id, HFONT font) {
    const AppState* s = app();
    return add_dialog_control(window, s ? s->instance : GetModuleHandleW(nullptr), window_class, text.c_str(), style,
                              0, id, {b.x, b.y, b.width, b.height}, font, window_dpi(window));
}

// The controls in creation order, which is also the Tab order.
void create_key_controls(HWND window, HFONT font, HFONT key_font) {
    const KeyWindowLayout& l = KEY_WINDOW_LAYOUT;
    add_control(window, L"STATIC", L"", LABEL_STYLE, l.status, IDC_KEY_STATUS, font);
    add_control(window, L"STATIC", L"Site key (the same on every workstation of the site):", LABEL_STYLE,
                l.caption, 0, font);
    add_control(window, L"EDIT", L"", KEY_EDIT_STYLE, l.edit, IDC_KEY_EDIT, key_font);
    add_control(window, L"BUTTON", L"&Generate New Key", BUTTON_STYLE, l.generate, IDC_KEY_GENERATE, font);
    add_control(window, L"BUTTON", L"&Copy", BUTTON_STYLE, l.copy, IDC_KEY_COPY, font);
    add_control(window, L"BUTTON", L"&Paste", BUTTON_STYLE, l.paste, IDC_KEY_PASTE, font);
    add_control(window, L"BUTTON", L"Turn Sealing &Off", BUTTON_STYLE, l.off, IDC_KEY_OFF, font);
    add_control(window, L"STATIC", L"", LABEL_STYLE, l.change, IDC_KEY_CHANGE, font);
    add_control(window, L"STATIC", L"Every workstation needs the same key, and clocks within five minutes.",
                LABEL_STYLE, l.hint, 0, font);
    add_control(window, L"BUTTON", L"OK", BUTTON_STYLE | BS_DEFPUSHBUTTON, l.ok, IDOK, font);
    add_control(window, L"BUTTON", L"Cancel", BUTTON_STYLE, l.cancel, IDCANCEL, font);
}

// Brings the controls in line with the current and the pending key.
void show_keys(HWND window) {
    const KeyWindowState& k = key_window();
    SetDlgItemTextW(window, IDC_KEY_STATUS, to_wide(key_status_text(k.current)).c_str());
    SetDlgItemTextW(window, IDC_KEY_EDIT, to_wide(k.pending).c_str());
    SetDlgItemTextW(window, IDC_KEY_CHANGE, to_wide(key_change_text(k.current, k.pending)).c_str());
    HWND focus = GetFocus();
    const bool copy_on = is_site_key(k.pending);
    const bool off_on = !k.pending.empty();
    HWND copy = GetDlgItem(window, IDC_KEY_COPY);
    HWND off = GetDlgItem(window, IDC_KEY_OFF);
    // A button that is switched off must not keep the keyboard focus.
    if ((focus == copy && !copy_on) || (focus == off && !off_on)) SetFocus(GetDlgItem(window, IDC_KEY_GENERATE));
    EnableWindow(copy, copy_on);
    EnableWindow(off, off_on);
}

void tell(HWND window, const wchar_t* text, UINT icon) { MessageBoxW(window, text, KEY_WINDOW_TITLE, MB_OK | icon); }

void on_generate(HWND window) {
    SiteKey key{};
    if (!generate_site_key(key)) {
        tell(window, GENERATE_FAILED, MB_ICONERROR);
        return;
    }
    key_window().pending = format_site_key(key);
    show_keys(window);
}

// The key last put on the clipboard by Copy, until the clipboard is cleared of it.
struct CopiedKey {
    std::wstring text;
    UINT_PTR timer = 0;
};

CopiedKey& copied_key() {
    static CopiedKey copied;
    return copied;
}

unsigned copied_key_lifetime_ms = COPIED_KEY_LIFETIME_MS;

void wipe(std::wstring& text) {
    if (!text.empty()) SecureZeroMemory(&text[0], text.size() * sizeof(wchar_t));
    text.clear();
}

HWND clipboard_owner() {
    const AppState* s = app();
    return s ? s->main_window : nullptr;
}

void CALLBACK copied_key_expired(HWND, UINT, UINT_PTR, DWORD) {
    try {
        forget_copied_key();
    } catch (...) {
        // nothing may unwind through the system's dispatch code
    }
}

void on_copy(HWND window) {
    const std::string& pending = key_window().pending;
    if (!is_site_key(pending)) return;
    CopiedKey& copied = copied_key();
    if (copied.timer) KillTimer(nullptr, copied.timer);
    copied.timer = 0;
    wipe(copied.text);
    if (!put_secret_clipboard_text(window, to_wide(pending))) return;
    copied.text = to_wide(pending);
    // A thread timer, so that it still fires after this window has closed.
    copied.timer = SetTimer(nullptr, 0, copied_key_lifetime_ms, copied_key_expired);
}

void on_paste(HWND window) {
    std::wstring pasted = clipboard_text(window);
    std::string key_text;
    if (!key_from_pasted_text(to_utf8(pasted), key_text)) {
        wipe(pasted);
        tell(window, PASTE_REFUSED, MB_ICONWARNING);
        return;
    }
    // The key has arrived where it belongs; it does not wait on the clipboard for
    // whoever pastes next.
    empty_clipboard_holding(window, pasted);
    wipe(pasted);
    key_window().pending = key_text;
    show_keys(window);
}

void on_turn_off(HWND window) {
    key_window().pending.clear();
    show_keys(window);
}

// Saves and applies a changed key; a failed save leaves the window open and
// everything as it was.
void on_ok(HWND window) {
    const KeyWindowState& k = key_window();
    if (k.pending != k.current && !(k.save && k.save(k.pending))) {
        tell(window, SAVE_FAILED, MB_ICONERROR);
        return;
    }
    DestroyWindow(window);
}

void on_command(HWND window, int id) {
    switch (id) {
        case IDC_KEY_GENERATE: on_generate(window); break;
        case IDC_KEY_COPY: on_copy(window); break;
        case IDC_KEY_PASTE: on_paste(window); break;
        case IDC_KEY_OFF: on_turn_off(window); break;
        case IDOK: on_ok(window); break;
        case IDCANCEL: DestroyWindow(window); break;
        default: break;
    }
}

LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE: DestroyWindow(window); return 0;
        case WM_COMMAND: on_command(window, LOWORD(wparam)); return 0;
        case DM_GETDEFID: return default_button_id(window);
        default: return DefWindowProcW(window, message, wparam, lparam);
    }
}

LRESULT CALLBACK key_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    try {
        return handle_message(window, message, wparam, lparam);
    } catch (...) {
        return 0;  // nothing may unwind through the system's dispatch code
    }
}

}  // namespace

void set_copied_key_lifetime_ms(unsigned milliseconds) { copied_key_lifetime_ms = milliseconds; }

void forget_copied_key() {
    CopiedKey& copied = copied_key();
    if (copied.timer) KillTimer(nullptr, copied.timer);
    copied.timer = 0;
    empty_clipboard_holding(clipboard_owner(), copied.text);
    wipe(copied.text);
}

void show_key_window(HWND owner, const SaveSiteKey& save) {
    AppState* s = app();
    if (!s) return;
    KeyWindowState& k = key_window();
    if (k.window && IsWindow(k.window)) {
        ShowWindow(k.window, SW_SHOW);
        SetForegroundWindow(k.window);
        return;
    }
    if (!register_dialog_class(s->instance, KEY_WINDOW_CLASS, key_window_proc, COLOR_BTNFACE)) return;
    HWND window = create_dialog_window(owner, s->instance, KEY_WINDOW_CLASS, KEY_WINDOW_TITLE,
                                       KEY_WINDOW_LAYOUT.client_width, KEY_WINDOW_LAYOUT.client_height);
    if (!window) return;
    k.window = window;
    k.current = s->settings.site_key;
    k.pending = k.current;
    k.save = save;
    {
        const ModalScope modal;
        // A fixed-pitch face keeps the 64 digits easy to compare between workstations.
        GdiObject key_font(CreateFontW(scale_px(-15, window_dpi(window)), 0, 0, 0, 400, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                       CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Consolas"));
        create_key_controls(window, s->normal_font, static_cast<HFONT>(key_font.get()));
        show_keys(window);

        run_modal_window(owner, window, GetDlgItem(window, IDC_KEY_GENERATE));
    }
    k = KeyWindowState{};
    give_back_owner(owner);
}

}  // namespace quillnet
