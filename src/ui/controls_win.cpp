// Creation of the main window's child controls, the quick-message buttons and the
// accelerator table (F1..F10, F11).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "ui/app_state.h"
#include "base/win_text.h"
#include "ui/board.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/seen.h"
#include "ui/sending.h"

namespace quillnet {

namespace {

constexpr std::size_t QUICK_TEXT_BUFFER = 160;  // UTF-16 units including the terminator
constexpr UINT_PTR SINGLE_PRESS_SUBCLASS_ID = 2;

// The second click of a double-click on a quick button or a flag tile would send the
// page again (as a second press, or as BN_DOUBLECLICKED): one press, one page.
LRESULT CALLBACK single_press_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if (message == WM_LBUTTONDBLCLK) return 0;
    return DefSubclassProc(button, message, wparam, lparam);
}

void install_single_press(HWND button) {
    if (button) SetWindowSubclass(button, single_press_proc, SINGLE_PRESS_SUBCLASS_ID, 0);
}

// One child of the main window at (0, 0), 10 wide, with its font set (redraw on).
HWND create_child(const AppState& state, const wchar_t* window_class, const std::wstring& text, DWORD style,
                  int id, int height, HFONT font) {
    HWND control = CreateWindowExW(0, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, height,
                                   state.main_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   state.instance, nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

std::size_t quick_button_count(const AppState& state) {
    return std::min<std::size_t>(state.settings.quick_messages.size(), MAX_QUICK_MESSAGES);
}

}  // namespace

std::wstring quick_button_text(int slot, const std::string& text) {
    std::wstring label = L"F" + std::to_wstring(slot + 1) + L"  " + to_wide(text);
    const std::size_t limit = QUICK_TEXT_BUFFER - 1;
    if (label.size() > limit) {
        label.resize(limit);
        // A high surrogate left without its partner would show as a broken character.
        if (label.back() >= 0xD800 && label.back() <= 0xDBFF) label.pop_back();
    }
    return label;
}

void create_controls() {
    AppState* s = app();
    if (!s) return;
    const HFONT normal = s->normal_font;
    s->banner = create_child(*s, L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE | SS_NOTIFY, ID_BANNER, 60,
                             s->large_font);
    s->rooms_caption = create_child(*s, L"STATIC", L"Online rooms (0)", 0, ID_ROOMS_CAPTION, 10, normal);
    s->rooms_list = create_child(*s, L"LISTBOX", L"",
                                 WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL,
                                 ID_ROOMS_LIST, 10, normal);
    s->everyone_check = create_child(*s, L"BUTTON", L"Send to everyone", WS_TABSTOP | BS_AUTOCHECKBOX,
                                     ID_EVERYONE_CHECK, 10, normal);
    SendMessageW(s->everyone_check, BM_SETCHECK, BST_CHECKED, 0);
    // The board and Seen come next in the Tab order, as they sit above the log.
    create_board_controls();
    create_seen_button();
    s->log_view = create_child(*s, L"EDIT", L"",
                               WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, ID_LOG_VIEW,
                               10, normal);
    // The log grows for the whole run; lift the default 32K character limit.
    SendMessageW(s->log_view, EM_LIMITTEXT, 0, 0);
    s->input_edit = create_child(*s, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, ID_INPUT_EDIT, 10, normal);
    s->send_button = create_child(*s, L"BUTTON", L"Send", WS_TABSTOP | BS_DEFPUSHBUTTON, ID_SEND_BUTTON, 10,
                                  normal);
    s->quick_label = create_child(*s, L"STATIC", L"Quick (F1\u2013F10):", 0, ID_QUICK_LABEL, 10, normal);
    s->flags_label = create_child(*s, L"STATIC", L"Flags:", 0, ID_FLAGS_LABEL, 10, normal);

    s->flag_buttons.clear();
    for (std::size_t i = 0; i < s->settings.flags.size(); ++i) {
        s->flag_buttons.push_back(create_child(*s, L"BUTTON", to_wide(s->settings.flags[i].name),
                                               WS_TABSTOP | BS_OWNERDRAW,
                                               FLAG_BUTTON_BASE + static_cast<int>(i), 10, normal));
        install_single_press(s->flag_buttons.back());
    }
    install_compose_subclass(s->input_edit);
    update_compose_limit();
    create_quick_buttons();
}

void create_quick_buttons() {
    AppState* s = app();
    if (!s) return;
    for (HWND button : s->quick_buttons) {
        if (button) DestroyWindow(button);
    }
    s->quick_buttons.clear();
    const std::size_t count = quick_button_count(*s);
    for (std::size_t i = 0; i < count; ++i) {
        const int slot = static_cast<int>(i);
        s->quick_buttons.push_back(create_child(*s, L"BUTTON",
                                                quick_button_text(slot, s->settings.quick_messages[i]),
                                                WS_TABSTOP | BS_MULTILINE, QUICK_BUTTON_BASE + slot, 10,
                                                s->normal_font));
        install_single_press(s->quick_buttons.back());
    }
}

void build_accelerators() {
    AppState* s = app();
    if (!s) return;
    if (s->accelerators) DestroyAcceleratorTable(s->accelerators);
    s->accelerators = nullptr;
    std::vector<ACCEL> entries;
    const std::size_t count = quick_button_count(*s);
    for (std::size_t i = 0; i < count; ++i) {
        ACCEL entry{};
        entry.fVirt = FVIRTKEY;
        entry.key = static_cast<WORD>(VK_F1 + i);
        entry.cmd = static_cast<WORD>(QUICK_BUTTON_BASE + i);
        entries.push_back(entry);
    }
    // F11 acknowledges the pages shown, with or without quick messages.
    ACCEL acknowledge{};
    acknowledge.fVirt = FVIRTKEY;
    acknowledge.key = VK_F11;
    acknowledge.cmd = static_cast<WORD>(IDM_ACKNOWLEDGE);
    entries.push_back(acknowledge);
    s->accelerators = CreateAcceleratorTableW(entries.data(), static_cast<int>(entries.size()));
}

}  // namespace quillnet
