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
constexpr int CLIENT_WIDTH = 460;
constexpr int CLIENT_HEIGHT = 320;

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

}  // namespace

void show_about_dialog(HWND owner) {
    const AppState* s = app();
    const HINSTANCE instance = s ? s->instance : GetModuleHandleW(nullptr);
    const HFONT normal_font = s ? s->normal_font : nullptr;
    if (!register_dialog_class(instance, ABOUT_CLASS, about_proc, COLOR_WINDOW)) return;

    const unsigned dpi = window_dpi(owner);
    HWND box = create_dialog_window(owner, instance, ABOUT_CLASS, L"About Quillnet", CLIENT_WIDTH, CLIENT_HEIGHT);
    if (!box) return;

    {
        const ModalScope modal;
        GdiObject title_font(CreateFontW(scale_px(-26, dpi), 0, 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                                         0, CLEARTYPE_QUALITY, 0, L"Segoe UI"));
        add_dialog_control(box, instance, L"STATIC", L"Quillnet", 0, 0, 0, {20, 18, 420, 34},
                           static_cast<HFONT>(title_font.get()), dpi);
        add_dialog_control(box, instance, L"STATIC", L"Version " QN_VERSION_WTEXT(QN_VERSION_TEXT), 0, 0, 0,
                           {20, 56, 420, 20}, normal_font, dpi);
        HWND ok = add_dialog_control(box, instance, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK,
                                     {350, 276, 90, 28}, normal_font, dpi);

        // Destroys the box on every way out, so it never outlives its title's font.
        run_modal_window(owner, box, ok);
    }
    give_back_owner(owner);
}

}  // namespace quillnet
