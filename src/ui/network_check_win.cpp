// The network check window: a read-only report (long lines wrap) (engine snapshot, adapters, firewall),
// "Check Again", "Copy" (the report as text on the clipboard) and "Close". Modal like
// the About box and the key window: one at a time, owner disabled, its own loop.
#include <windows.h>

#include "base/dialog_window.h"
#include "base/scale.h"
#include "base/win_placement.h"
#include "base/win_text.h"
#include "net/adapters.h"
#include "ui/app_state.h"
#include "ui/clipboard.h"
#include "ui/firewall_query.h"
#include "ui/network_check.h"

namespace quillnet {

namespace {

constexpr wchar_t CHECK_CLASS[] = L"QNNetworkCheck";
constexpr DWORD CHECK_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD CHECK_EX_STYLE = WS_EX_DLGMODALFRAME;
constexpr int CLIENT_WIDTH = 600;
constexpr int CLIENT_HEIGHT = 460;

bool check_class_registered = false;

std::wstring module_path() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::wstring(buffer, length < MAX_PATH ? length : 0);
}

void show_report(HWND box) { SetDlgItemTextW(box, ID_CHECK_REPORT, current_network_report().c_str()); }

void on_command(HWND box, int id) {
    if (id == IDOK || id == IDCANCEL) {
        DestroyWindow(box);
    } else if (id == ID_CHECK_AGAIN) {
        show_report(box);
    } else if (id == ID_CHECK_COPY) {
        // What is shown is what is copied, even if the network changed since.
        const int length = GetWindowTextLengthW(GetDlgItem(box, ID_CHECK_REPORT));
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetDlgItemTextW(box, ID_CHECK_REPORT, &text[0], length + 1);
        text.resize(static_cast<std::size_t>(length));
        put_clipboard_text(box, text);
    }
}

LRESULT CALLBACK check_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    try {
        switch (message) {
        case WM_CLOSE: DestroyWindow(box); return 0;
        case WM_COMMAND: on_command(box, LOWORD(wparam)); return 0;
        case DM_GETDEFID: return default_button_id(box);
        default: return DefWindowProcW(box, message, wparam, lparam);
        }
    } catch (...) {
        return 0;
    }
}

bool register_check_class(HINSTANCE instance) {
    if (check_class_registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = check_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = CHECK_CLASS;
    check_class_registered = RegisterClassExW(&wc) != 0;
    return check_class_registered;
}

// Coordinates at 96 DPI, placed at dpi.
HWND add_control(HWND box, HINSTANCE instance, const wchar_t* window_class, const wchar_t* text, DWORD style,
                 DWORD ex_style, int id, int x, int y, int width, int height, HFONT font, unsigned dpi) {
    HWND control = CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, scale_px(x, dpi),
                                   scale_px(y, dpi), scale_px(width, dpi), scale_px(height, dpi), box,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

}  // namespace

std::wstring current_network_report() {
    NetworkCheckFacts facts;
    const AppState* s = app();
    if (s) facts.engine = s->engine.diagnostics();
    facts.adapters = list_adapter_addresses();
    facts.firewall = read_firewall_findings(module_path());
    return to_wide(network_check_report(facts));
}

void show_network_check(HWND owner) {
    const AppState* s = app();
    const HINSTANCE instance = s ? s->instance : GetModuleHandleW(nullptr);
    const HFONT font = s ? s->normal_font : nullptr;
    if (!register_check_class(instance)) return;

    const unsigned dpi = window_dpi(owner);
    RECT outer{0, 0, scale_px(CLIENT_WIDTH, dpi), scale_px(CLIENT_HEIGHT, dpi)};
    AdjustWindowRectEx(&outer, CHECK_STYLE, FALSE, CHECK_EX_STYLE);
    const RECT place = dialog_rect(owner, outer.right - outer.left, outer.bottom - outer.top);
    HWND box = CreateWindowExW(CHECK_EX_STYLE, CHECK_CLASS, L"Network Check", CHECK_STYLE, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, owner, nullptr, instance, nullptr);
    if (!box) return;
    {
        const ModalScope modal;
        add_control(box, instance, L"EDIT", L"",
                    WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                    WS_EX_CLIENTEDGE, ID_CHECK_REPORT, 12, 12, 576, 392, font, dpi);
        add_control(box, instance, L"BUTTON", L"Check &Again", WS_TABSTOP | BS_PUSHBUTTON, 0, ID_CHECK_AGAIN, 292,
                    420, 100, 28, font, dpi);
        add_control(box, instance, L"BUTTON", L"&Copy", WS_TABSTOP | BS_PUSHBUTTON, 0, ID_CHECK_COPY, 400, 420, 90,
                    28, font, dpi);
        HWND close = add_control(box, instance, L"BUTTON", L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 498,
                                 420, 90, 28, font, dpi);
        show_report(box);

        EnableWindow(owner, FALSE);
        ShowWindow(box, SW_SHOW);
        SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(box);
        SetFocus(close);
        run_modal_loop(box);
    }
    EnableWindow(owner, TRUE);
    // A hidden owner is not activated: it would take the keys typed into another program.
    if (IsWindowVisible(owner)) {
        SetActiveWindow(owner);
        SetForegroundWindow(owner);
    }
}

}  // namespace quillnet
