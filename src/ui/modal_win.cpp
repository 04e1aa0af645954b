// One modal window at a time over the main window: finding the open one and bringing
// it forward when another is asked for.
#include <windows.h>

#include "base/dialog_window.h"
#include "ui/app_state.h"
#include "ui/main_window.h"

namespace quillnet {

namespace {

struct ModalSearch {
    HWND owner;
    HWND found = nullptr;
};

// The configuration dialog, the About box or a message box: a visible window of this
// thread owned by the main window.
BOOL CALLBACK find_modal(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ModalSearch*>(context);
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool bring_modal_forward() {
    const AppState* s = app();
    if (!s || !modal_window_open()) return false;
    ModalSearch search{s->main_window};
    EnumThreadWindows(GetCurrentThreadId(), find_modal, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        SetForegroundWindow(search.found);
        BringWindowToTop(search.found);
    }
    return true;
}

}  // namespace quillnet
