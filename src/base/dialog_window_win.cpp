// The modal loop and default button of the program's hand-built modal windows.
#include "base/dialog_window.h"

#include "base/scale.h"
#include "base/win_placement.h"

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

bool register_dialog_class(HINSTANCE instance, const wchar_t* class_name, WNDPROC procedure, int background_colour) {
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (GetClassInfoExW(instance, class_name, &known)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background_colour + 1));
    wc.lpszClassName = class_name;
    return RegisterClassExW(&wc) != 0;
}

HWND create_dialog_window(HWND owner, HINSTANCE instance, const wchar_t* class_name, const wchar_t* title,
                          int client_width, int client_height) {
    const unsigned dpi = window_dpi(owner);
    RECT frame{0, 0, scale_px(client_width, dpi), scale_px(client_height, dpi)};
    AdjustWindowRectEx(&frame, DIALOG_WINDOW_STYLE, FALSE, DIALOG_WINDOW_EX_STYLE);
    const RECT place = dialog_rect(owner, frame.right - frame.left, frame.bottom - frame.top);
    return CreateWindowExW(DIALOG_WINDOW_EX_STYLE, class_name, title, DIALOG_WINDOW_STYLE, place.left, place.top,
                           place.right - place.left, place.bottom - place.top, owner, nullptr, instance, nullptr);
}

HWND add_dialog_control(HWND parent, HINSTANCE instance, const wchar_t* window_class, const wchar_t* text,
                        DWORD style, DWORD ex_style, int id, DialogBox96 box, HFONT font, unsigned dpi) {
    HWND control = CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, scale_px(box.x, dpi),
                                   scale_px(box.y, dpi), scale_px(box.width, dpi), scale_px(box.height, dpi), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return control;
}

void run_modal_window(HWND owner, HWND window, HWND focus) {
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetForegroundWindow(window);
    SetFocus(focus);
    run_modal_loop(window);
}

void give_back_owner(HWND owner) {
    if (!owner || !IsWindow(owner)) return;
    EnableWindow(owner, TRUE);
    if (IsWindowVisible(owner)) {
        SetActiveWindow(owner);
        SetForegroundWindow(owner);
    }
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
