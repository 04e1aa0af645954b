// Benchmark events under Windows: a message-only window whose posted engine messages
// are taken off this thread's queue.
#include <windows.h>

#include "bench_events.h"

namespace quillnet {

namespace {

const wchar_t* window_class() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QNBenchSink";
        RegisterClassW(&wc);
        return L"QNBenchSink";
    }();
    return name;
}

bool take(HWND window, PostedEvent& event) {
    MSG msg;
    if (!PeekMessageW(&msg, window, WM_APP_PEERS_CHANGED, WM_APP_DELIVERY_RESULT, PM_REMOVE)) return false;
    event.message = msg.message;
    event.payload = reinterpret_cast<void*>(msg.lParam);
    return true;
}

}  // namespace

WindowHandle open_bench_window() {
    return CreateWindowExW(0, window_class(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

void close_bench_window(WindowHandle window) {
    drain_bench_events(window);
    DestroyWindow(static_cast<HWND>(window));
}

bool next_bench_event(WindowHandle window, PostedEvent& event, int timeout_ms) {
    HWND hwnd = static_cast<HWND>(window);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
        if (take(hwnd, event)) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        // Wakes as soon as anything is posted to this thread; short slices so that a
        // message that came between the peek and the wait is still found at once.
        const ULONGLONG left = deadline - now;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 20 ? left : 20), QS_POSTMESSAGE);
    }
}

}  // namespace quillnet
