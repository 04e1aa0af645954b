// What the program's hand-built modal windows (configuration, About, site key) share:
// their message loop and the answer to IsDialogMessageW's default-button question.
#pragma once

#include <windows.h>

namespace quillnet {

// Runs until the window is gone. The main window's posted messages and timers are
// dispatched here as well; accelerators are not translated, so F1..F10 send nothing.
// A quit request is handed on to the main loop, and the window is destroyed then: no
// dialog may outlive its loop.
void run_modal_loop(HWND window);

// Enter goes to the focused push button, or to OK when the focus is elsewhere. A plain
// window has no default-button bookkeeping, so IsDialogMessageW asks with DM_GETDEFID.
LRESULT default_button_id(HWND window);

}  // namespace quillnet
