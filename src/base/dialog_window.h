// What the program's hand-built modal windows (configuration, About, site key) share:
// their message loop and the answer to IsDialogMessageW's default-button question.
#pragma once

#include <windows.h>

namespace quillnet {

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
