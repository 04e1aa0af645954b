// Thread-timer driver for windows with their own modal loop (see dialog_driver.h).
#include "dialog_driver.h"

#include "app_fixture.h"

namespace qntest {

namespace {

DialogScript* active_script = nullptr;

}  // namespace

bool DialogScript::run(const wchar_t* window_class, const std::function<void()>& open, int timeout_ms) {
    window_class_ = window_class;
    next_ = 0;
    found_ = false;
    forced_close_ = false;
    deadline_ = GetTickCount() + static_cast<DWORD>(timeout_ms);
    DialogScript* previous = active_script;
    active_script = this;
    // A thread timer (no window): its WM_TIMER has no window handle, so every
    // modal loop on this thread dispatches it straight to on_tick.
    const UINT_PTR timer = SetTimer(nullptr, 0, 60, &DialogScript::on_tick);
    open();
    KillTimer(nullptr, timer);
    active_script = previous;
    return found_ && !forced_close_;
}

void CALLBACK DialogScript::on_tick(HWND, UINT, UINT_PTR, DWORD) {
    if (active_script) active_script->tick();
}

void DialogScript::tick() {
    HWND dialog = find_own_window(window_class_.c_str());
    if (!dialog) return;
    found_ = true;
    if (next_ < static_cast<int>(steps_.size())) {
        // Counted before running: a step may open a nested loop that ticks again.
        const int index = next_++;
        steps_[static_cast<std::size_t>(index)](dialog);
        return;
    }
    if (static_cast<int>(GetTickCount() - deadline_) > 0) {
        forced_close_ = true;
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    }
}

void click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void press_key(HWND window, UINT virtual_key) {
    const UINT scan = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, virtual_key, 1 | (static_cast<LPARAM>(scan) << 16));
    PostMessageW(window, WM_KEYUP, virtual_key, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

}  // namespace qntest
