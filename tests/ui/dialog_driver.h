// Driving a window that runs its own modal loop on the test thread: a thread timer
// fires inside that loop and runs the test's steps one per tick, so each step sees
// the messages of the previous one handled.
//
//     qntest::DialogScript script;
//     script.step([](HWND dialog) { SetWindowTextW(GetDlgItem(dialog, 10), L"Nurse"); });
//     script.step([](HWND dialog) { qntest::click(dialog, IDOK); });
//     script.run(L"QNConfigDialog", [&] { show_configuration(main_window); });
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qntest {

class DialogScript {
public:
    using Step = std::function<void(HWND dialog)>;
    void step(Step action) { steps_.push_back(std::move(action)); }

    // Calls open() (which returns when the window has closed) while the steps run on
    // the window of window_class. A window still open after the last step and
    // timeout_ms is closed with WM_CLOSE so that a failing test cannot hang.
    // Returns false when the window never appeared or had to be closed.
    bool run(const wchar_t* window_class, const std::function<void()>& open, int timeout_ms = 15000);

    int steps_done() const { return next_; }

private:
    static void CALLBACK on_tick(HWND, UINT, UINT_PTR, DWORD);
    void tick();

    std::vector<Step> steps_;
    std::wstring window_class_;
    int next_ = 0;
    DWORD deadline_ = 0;
    bool found_ = false;
    bool forced_close_ = false;
};

// A BN_CLICKED from the dialog's control id, posted so that a step never sits inside
// whatever the button starts.
void click(HWND dialog, int id);
// Posts a key press (down and up) to a window, to go through the loop's
// IsDialogMessageW like typing would.
void press_key(HWND window, UINT virtual_key);

}  // namespace qntest
