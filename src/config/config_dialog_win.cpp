// The "Quillnet Configuration" window: its class, its controls filled from the live
// settings, its own modal loop, and its window procedure (Browse, Test, volume label).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <string>

#include "base/dialog_window.h"
#include "base/system_library.h"
#include "base/win_placement.h"
#include "base/win_text.h"
#include "config/config_dialog.h"
#include "config/config_dialog_controls.h"
#include "config/config_dialog_loop.h"
#include "config/startup_shortcut.h"

namespace quillnet {

namespace {

const wchar_t DIALOG_CLASS[] = L"QNConfigDialog";
constexpr int CLIENT_WIDTH = 880;
constexpr int CLIENT_HEIGHT = 560;

constexpr int IDENTITY_LABEL_WIDTH = 125;
constexpr int IDENTITY_EDIT_X = 140;

constexpr DWORD LABEL_STYLE = WS_CHILD | WS_VISIBLE;
constexpr DWORD EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD CHECK_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_MULTILINE | BS_AUTOCHECKBOX;
constexpr DWORD BUTTON_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD TRACKBAR_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

struct Geometry {
    int x, y, width, height;
};

// The DPI the open dialog is laid out for; its geometry below is given at 96 DPI.
unsigned dialog_dpi = 96;

// What the program gave the open dialog, and the dialog itself (one at a time).
ConfigDialogHooks dialog_hooks;
HWND open_dialog = nullptr;

// Creates one child control with the dialog font.
HWND add_control(HWND dialog, const wchar_t* window_class, const std::wstring& text, DWORD style, Geometry g,
                 int id = 0) {
    return add_dialog_control(dialog, dialog_hooks.instance, window_class, text.c_str(), style, 0, id,
                              {g.x, g.y, g.width, g.height}, dialog_hooks.font, dialog_dpi);
}

HWND add_label(HWND dialog, const std::wstring& text, Geometry g, int id = 0) {
    return add_control(dialog, L"STATIC", text, LABEL_STYLE, g, id);
}

HWND add_edit(HWND dialog, const std::string& utf8, Geometry g, int id) {
    return add_control(dialog, L"EDIT", to_wide(utf8), EDIT_STYLE, g, id);
}

HWND add_check(HWND dialog, const std::wstring& text, bool checked, Geometry g, int id) {
    HWND box = add_control(dialog, L"BUTTON", text, CHECK_STYLE, g, id);
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    return box;
}

std::wstring percent_text(int volume) { return std::to_wstring(volume) + L"%"; }

// Below the quick messages: what the desk leaves behind of patients' names.
void create_privacy_controls(HWND dialog, const Settings& s) {
    ConfigDialogControls& c = config_dialog_controls();
    c.private_balloons = add_check(dialog, L"Private balloons: name the sender, never the text",
                                   s.private_balloons, {15, 394, 460, 22}, IDC_CFG_PRIVATE_BALLOONS);
    add_label(dialog, L"Keep history for days (0 = no limit):", {15, 431, 300, 20});
    c.history_days_edit = add_control(dialog, L"EDIT", std::to_wstring(s.history_days), EDIT_STYLE | ES_NUMBER,
                                      {315, 428, 70, 24}, IDC_CFG_HISTORY_DAYS);
}

// The controls in creation order, which is also the Tab order.
void create_dialog_controls(HWND dialog, const Settings& s) {
    ConfigDialogControls& c = config_dialog_controls();
    c = ConfigDialogControls{};

    // "Room / location:" needs about 115 pixels in the 16-pixel font; a 100-pixel
    // label wraps it and cuts off "location:". The two labels are therefore wider
    // and their edits start further right, still ending at x 475 like the others.
    add_label(dialog, L"Your name:", {15, 17, IDENTITY_LABEL_WIDTH, 20});
    c.user_edit = add_edit(dialog, s.user, {IDENTITY_EDIT_X, 14, 475 - IDENTITY_EDIT_X, 24}, IDC_CFG_USER);
    add_label(dialog, L"Room / location:", {15, 49, IDENTITY_LABEL_WIDTH, 20});
    c.room_edit = add_edit(dialog, s.room, {IDENTITY_EDIT_X, 46, 475 - IDENTITY_EDIT_X, 24}, IDC_CFG_ROOM);
    add_label(dialog, L"Quick messages (sent with the function keys):", {15, 82, 460, 20});
    for (int i = 0; i < QUICK_FIELD_COUNT; ++i) {
        add_label(dialog, L"F" + std::to_wstring(i + 1), {25, 109 + 28 * i, 32, 20});
        const std::string text = static_cast<std::size_t>(i) < s.quick_messages.size() ? s.quick_messages[i] : "";
        c.quick_edits[i] = add_edit(dialog, text, {60, 106 + 28 * i, 415, 24}, IDC_CFG_QUICK_BASE + i);
    }

    add_label(dialog, L"Window behavior (this workstation):", {505, 16, 360, 20});
    c.always_on_top =
        add_check(dialog, L"Keep the window always on top", s.always_on_top, {505, 42, 360, 22}, IDC_CFG_ALWAYS_ON_TOP);
    c.start_minimized = add_check(dialog, L"Start minimized (in the tray)", s.start_minimized, {505, 70, 360, 22},
                                  IDC_CFG_START_MINIMIZED);
    c.auto_minimize = add_check(dialog, L"Auto-minimize to tray after sending", s.auto_minimize_after_send,
                                {505, 98, 360, 22}, IDC_CFG_AUTO_MINIMIZE);
    c.bring_to_front = add_check(dialog, L"Bring to the front on receive", s.bring_to_front_on_receive,
                                 {505, 126, 360, 22}, IDC_CFG_BRING_TO_FRONT);
    c.interrupt_screensaver = add_check(dialog, L"Interrupt screen saver on receive",
                                        s.interrupt_screensaver_on_receive, {505, 154, 360, 22},
                                        IDC_CFG_INTERRUPT_SCREENSAVER);
    c.start_at_login = add_check(dialog, L"Start automatically when I log in", startup_shortcut_exists(),
                                 {505, 182, 360, 22}, IDC_CFG_START_AT_LOGIN);

    add_label(dialog, L"Notification sound:", {505, 226, 360, 20});
    c.sound_enabled = add_check(dialog, L"Play a tone/sound when a message arrives", s.sound_enabled,
                                {505, 252, 360, 22}, IDC_CFG_SOUND_ENABLED);
    add_label(dialog, L"Sound file (.wav, blank = built-in tone):", {505, 284, 360, 20});
    c.sound_file_edit = add_edit(dialog, s.sound_file, {505, 306, 360, 24}, IDC_CFG_SOUND_FILE);
    add_control(dialog, L"BUTTON", L"Browse\u2026", BUTTON_STYLE, {505, 336, 90, 26}, IDC_CFG_BROWSE);
    add_control(dialog, L"BUTTON", L"Test", BUTTON_STYLE, {601, 336, 70, 26}, IDC_CFG_TEST);
    add_label(dialog, L"Volume:", {505, 376, 60, 20});
    c.volume_trackbar = add_control(dialog, TRACKBAR_CLASSW, L"", TRACKBAR_STYLE, {565, 372, 200, 30}, IDC_CFG_VOLUME);
    SendMessageW(c.volume_trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessageW(c.volume_trackbar, TBM_SETPOS, TRUE, s.volume);
    c.volume_label = add_label(dialog, percent_text(s.volume), {773, 376, 50, 20}, IDC_CFG_VOLUME_LABEL);

    create_privacy_controls(dialog, s);
    add_loop_fields(dialog, s, dialog_dpi, dialog_hooks.instance, dialog_hooks.font);

    add_control(dialog, L"BUTTON", L"OK", BUTTON_STYLE | BS_DEFPUSHBUTTON, {665, 520, 90, 28}, IDOK);
    add_control(dialog, L"BUTTON", L"Cancel", BUTTON_STYLE, {765, 520, 90, 28}, IDCANCEL);
}

void browse_for_sound(HWND dialog) {
    wchar_t file[260] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = L"WAV audio (*.wav)\0*.wav\0All files (*.*)\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file / sizeof file[0];
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    static const auto open_file_dialog =
        system_function<decltype(&GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    if (open_file_dialog && open_file_dialog(&ofn)) SetWindowTextW(config_dialog_controls().sound_file_edit, file);
}

// Plays what the dialog shows now, whether or not the sound is switched on.
void test_sound() {
    const ConfigDialogControls& c = config_dialog_controls();
    if (dialog_hooks.test_sound)
        dialog_hooks.test_sound(to_utf8(control_text(c.sound_file_edit)), trackbar_position(c.volume_trackbar));
}

// OK: the program takes the values over; the dialog closes whatever it did.
void on_ok(HWND dialog) {
    if (dialog_hooks.apply) dialog_hooks.apply(dialog);
    DestroyWindow(dialog);
}

void on_command(HWND dialog, int id) {
    switch (id) {
        case IDOK: on_ok(dialog); break;
        case IDCANCEL: DestroyWindow(dialog); break;
        case IDC_CFG_BROWSE: browse_for_sound(dialog); break;
        case IDC_CFG_TEST: test_sound(); break;
        default: break;
    }
}

void on_destroy(HWND dialog) {
    config_dialog_controls() = ConfigDialogControls{};
    forget_loop_fields();
    if (open_dialog == dialog) open_dialog = nullptr;
}

LRESULT handle_message(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CLOSE: DestroyWindow(dialog); return 0;
        case WM_DESTROY: on_destroy(dialog); return 0;
        case WM_HSCROLL: {
            const ConfigDialogControls& c = config_dialog_controls();
            if (reinterpret_cast<HWND>(lparam) == c.volume_trackbar && c.volume_label)
                SetWindowTextW(c.volume_label, percent_text(trackbar_position(c.volume_trackbar)).c_str());
            return 0;
        }
        case WM_COMMAND: on_command(dialog, LOWORD(wparam)); return 0;
        case DM_GETDEFID: return default_button_id(dialog);
        default: return DefWindowProcW(dialog, message, wparam, lparam);
    }
}

LRESULT CALLBACK config_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    try {
        return handle_message(dialog, message, wparam, lparam);
    } catch (...) {
        return 0;  // nothing may unwind through the system's dispatch code
    }
}

}  // namespace

ConfigDialogControls& config_dialog_controls() {
    static ConfigDialogControls controls;
    return controls;
}

std::wstring control_text(HWND control) {
    if (!control) return std::wstring();
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

bool is_checked(HWND check_box) { return check_box && SendMessageW(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int trackbar_position(HWND trackbar) {
    return trackbar ? static_cast<int>(SendMessageW(trackbar, TBM_GETPOS, 0, 0)) : 0;
}

HWND open_configuration_dialog() { return open_dialog && IsWindow(open_dialog) ? open_dialog : nullptr; }

void show_configuration_dialog(HWND owner, const Settings& settings, const ConfigDialogHooks& hooks) {
    if (HWND open = open_configuration_dialog()) {
        // One dialog at a time: a second request (the tray menu) brings it forward.
        ShowWindow(open, SW_SHOW);
        SetForegroundWindow(open);
        BringWindowToTop(open);
        return;
    }
    if (!register_dialog_class(hooks.instance, DIALOG_CLASS, config_dialog_proc, COLOR_BTNFACE)) return;
    dialog_hooks = hooks;
    dialog_dpi = window_dpi(owner);
    HWND dialog = create_dialog_window(owner, hooks.instance, DIALOG_CLASS, L"Quillnet Configuration", CLIENT_WIDTH,
                                       CLIENT_HEIGHT);
    if (!dialog) return;
    open_dialog = dialog;
    const ModalScope modal;
    create_dialog_controls(dialog, settings);

    run_modal_window(owner, dialog, config_dialog_controls().user_edit);
    dialog_hooks = ConfigDialogHooks{};
    give_back_owner(owner);
}

}  // namespace quillnet
