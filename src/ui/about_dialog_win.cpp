// The About box: a modal window built in code with the product name, the version and
// an OK button, run by its own message loop while the owner is disabled.
#include <windows.h>

#include "ui/app_state.h"
#include "base/dialog_window.h"
#include "base/win_handles.h"
#include "base/win_placement.h"
#include "res/version.h"
#include "ui/about_dialog.h"
#include "ui/layout.h"

namespace quillnet {

namespace {

constexpr wchar_t ABOUT_CLASS[] = L"QNAboutDialog";
constexpr DWORD ABOUT_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD ABOUT_EX_STYLE = WS_EX_DLGMODALFRAME;
constexpr int CLIENT_WIDTH = 460;
constexpr int CLIENT_HEIGHT = 320;

bool about_class_registered = false;

LRESULT about_command(HWND box, WPARAM wparam) {
    const int id = LOWORD(wparam);
    if (id == IDOK || id == IDCANCEL) DestroyWindow(box);
    return 0;
}

LRESULT CALLBACK about_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    try {
        switch (message) {
        case WM_CLOSE: DestroyWindow(box); return 0;
        case WM_COMMAND: return about_command(box, wparam);
        default: return DefWindowProcW(box, message, wparam, lparam);
        }
    } catch (...) {
        return 0;
    }
}

bool register_about_class(HINSTANCE instance) {
    if (about_class_registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = about_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = ABOUT_CLASS;
    about_class_registered = RegisterClassExW(&wc) != 0;
    return about_class_registered;
}

// Coordinates are given at 96 DPI and placed at dpi.
HWND add_control(HWND box, HINSTANCE instance, const wchar_t* window_class, const wchar_t* text, DWORD style, int id,
                 int x, int y, int width, int height, HFONT font, unsigned dpi) {
    HWND control = CreateWindowExW(0, window_class, text, WS_CHILD | WS_VISIBLE | style, scale_px(x, dpi),
                                   scale_px(y, dpi), scale_px(width, dpi), scale_px(height, dpi), box,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

}  // namespace

void show_about_dialog(HWND owner) {
    const AppState* s = app();
    const HINSTANCE instance = s ? s->instance : GetModuleHandleW(nullptr);
    const HFONT normal_font = s ? s->normal_font : nullptr;
    if (!register_about_class(instance)) return;

    const unsigned dpi = window_dpi(owner);
    RECT outer{0, 0, scale_px(CLIENT_WIDTH, dpi), scale_px(CLIENT_HEIGHT, dpi)};
    AdjustWindowRectEx(&outer, ABOUT_STYLE, FALSE, ABOUT_EX_STYLE);
    const RECT place = dialog_rect(owner, outer.right - outer.left, outer.bottom - outer.top);

    HWND box = CreateWindowExW(ABOUT_EX_STYLE, ABOUT_CLASS, L"About Quillnet", ABOUT_STYLE, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, owner, nullptr, instance, nullptr);
    if (!box) return;

    {
        const ModalScope modal;
        GdiObject title_font(CreateFontW(scale_px(-26, dpi), 0, 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                                         0, CLEARTYPE_QUALITY, 0, L"Segoe UI"));
        add_control(box, instance, L"STATIC", L"Quillnet", 0, 0, 20, 18, 420, 34,
                    static_cast<HFONT>(title_font.get()), dpi);
        add_control(box, instance, L"STATIC", L"Version " QN_VERSION_WTEXT(QN_VERSION_TEXT), 0, 0, 20, 56, 420, 20, normal_font, dpi);
        HWND ok = add_control(box, instance, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 350, 276, 90,
                              28, normal_font, dpi);

        EnableWindow(owner, FALSE);
        ShowWindow(box, SW_SHOW);
        SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(box);
        SetFocus(ok);

        // Destroys the box on every way out, so it never outlives its title's font.
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
