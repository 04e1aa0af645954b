// What the program's hand-built modal windows (configuration, About, site key, network
// check) share: their class, frame and controls, how they are shown over a disabled
// owner, their message loop and the answer to IsDialogMessageW's default-button question.
#pragma once

#include <windows.h>

namespace quillnet {

constexpr DWORD DIALOG_WINDOW_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD DIALOG_WINDOW_EX_STYLE = WS_EX_DLGMODALFRAME;

// Registers a modal window's class once (arrow cursor, background from a system colour
// index such as COLOR_BTNFACE); true when the class is there to use.
bool register_dialog_class(HINSTANCE instance, const wchar_t* class_name, WNDPROC procedure, int background_colour);

// Creates a modal window, still hidden, whose client area is width x height at 96 DPI
// scaled to the owner's DPI, on the owner or on the work area when the owner is
// minimised or in the tray.
HWND create_dialog_window(HWND owner, HINSTANCE instance, const wchar_t* class_name, const wchar_t* title,
                          int client_width, int client_height);

// A control's place at 96 DPI.
struct DialogBox96 {
    int x, y, width, height;
};

// Creates a visible child control placed at dpi and sets its font (when there is one).
HWND add_dialog_control(HWND parent, HINSTANCE instance, const wchar_t* window_class, const wchar_t* text,
                        DWORD style, DWORD ex_style, int id, DialogBox96 box, HFONT font, unsigned dpi);

// Disables the owner, shows the window on top without taking activation from the
// system, brings it to the foreground, focuses `focus` and runs the modal loop until
// the window is gone.
void run_modal_window(HWND owner, HWND window, HWND focus);

// Enables the owner again once its modal window is gone; a hidden owner is not
// activated, since it would take the keys typed into another program.
void give_back_owner(HWND owner);

// Runs until the window is gone. The main window's posted messages and timers are
// dispatched here as well; accelerators are not translated, so F1..F10 send nothing
// (the modal key handler's keys are passed on).
// A quit request is handed on to the main loop, and the window is destroyed then: no
// dialog may outlive its loop.
void run_modal_loop(HWND window);

// A key the program answers in every window, such as the one that acknowledges pages:
// the handler sees each message of a modal loop first and returns true when it took it.
using ModalKeyHandler = bool (*)(const MSG& msg);
void set_modal_key_handler(ModalKeyHandler handler);

// Enter goes to the focused push button, or to OK when the focus is elsewhere. A plain
// window has no default-button bookkeeping, so IsDialogMessageW asks with DM_GETDEFID.
LRESULT default_button_id(HWND window);

// True while a modal window of the main window is open (configuration, About, a
// question), so that a second request brings that one forward instead of nesting
// another.
bool modal_window_open();

// Marks a modal window as open for its lifetime.
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    bool was_open_;
};

}  // namespace quillnet
