// The network check window: a read-only report (long lines wrap) (engine snapshot, adapters, firewall),
// "Check Again", "Copy" (the report as text on the clipboard) and "Close". Modal like
// the About box and the key window: one at a time, owner disabled, its own loop.
#include <windows.h>

#include "base/dialog_window.h"
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
constexpr int CLIENT_WIDTH = 600;
constexpr int CLIENT_HEIGHT = 460;

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
    if (!register_dialog_class(instance, CHECK_CLASS, check_proc, COLOR_BTNFACE)) return;

    const unsigned dpi = window_dpi(owner);
    HWND box = create_dialog_window(owner, instance, CHECK_CLASS, L"Network Check", CLIENT_WIDTH, CLIENT_HEIGHT);
    if (!box) return;
    {
        const ModalScope modal;
        add_dialog_control(box, instance, L"EDIT", L"",
                           WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE,
                           ID_CHECK_REPORT, {12, 12, 576, 392}, font, dpi);
        add_dialog_control(box, instance, L"BUTTON", L"Check &Again", WS_TABSTOP | BS_PUSHBUTTON, 0, ID_CHECK_AGAIN,
                           {292, 420, 100, 28}, font, dpi);
        add_dialog_control(box, instance, L"BUTTON", L"&Copy", WS_TABSTOP | BS_PUSHBUTTON, 0, ID_CHECK_COPY,
                           {400, 420, 90, 28}, font, dpi);
        HWND close = add_dialog_control(box, instance, L"BUTTON", L"Close", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK,
                                        {498, 420, 90, 28}, font, dpi);
        show_report(box);
        run_modal_window(owner, box, close);
    }
    give_back_owner(owner);
}

}  // namespace quillnet
