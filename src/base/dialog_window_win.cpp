// The modal loop and default button of the program's hand-built modal windows.
#include "base/dialog_window.h"

namespace quillnet {

namespace {

ModalKeyHandler modal_key_handler = nullptr;

}  // namespace

void set_modal_key_handler(ModalKeyHandler handler) { modal_key_handler = handler; }

void run_modal_loop(HWND window) {
    MSG msg{};
    while (IsWindow(window)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
            break;
        }
        if (modal_key_handler && modal_key_handler(msg)) continue;
        if (IsDialogMessageW(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (IsWindow(window)) DestroyWindow(window);
}

LRESULT default_button_id(HWND window) {
    HWND focus = GetFocus();
    if (focus && IsChild(window, focus) &&
        (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
    return MAKELRESULT(IDOK, DC_HASDEFID);
}

namespace {

bool modal_open = false;

}  // namespace

bool modal_window_open() { return modal_open; }

ModalScope::ModalScope() : was_open_(modal_open) { modal_open = true; }

ModalScope::~ModalScope() { modal_open = was_open_; }

}  // namespace quillnet
