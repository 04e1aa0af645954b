// Windows event source for engine tests: a message-only window whose posted engine
// messages are taken off the thread's queue with PeekMessageW.
#include <windows.h>

#include "event_sink.h"

namespace quillnet {

namespace {

const wchar_t* sink_class() {
    static const wchar_t* name = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QNEngineTestSink";
        RegisterClassW(&wc);
        return L"QNEngineTestSink";
    }();
    return name;
}

bool take(HWND window, PostedEvent& event) {
    MSG msg;
    if (!PeekMessageW(&msg, window, WM_APP_PEERS_CHANGED, WM_APP_NOT_SEEN, PM_REMOVE)) return false;
    event.message = msg.message;
    event.payload = reinterpret_cast<void*>(msg.lParam);
    return true;
}

}  // namespace

WindowHandle open_sink_window() {
    return CreateWindowExW(0, sink_class(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

void close_sink_window(WindowHandle window) {
    HWND hwnd = static_cast<HWND>(window);
    PostedEvent event;
    while (take(hwnd, event)) {
        free_engine_payload(event.message, event.payload);
    }
    DestroyWindow(hwnd);
}

bool fetch_sink_event(WindowHandle window, PostedEvent& event, int timeout_ms) {
    HWND hwnd = static_cast<HWND>(window);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms < 0 ? 0 : timeout_ms);
    for (;;) {
        if (take(hwnd, event)) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        // Wakes as soon as anything is posted to this thread; short slices so that a
        // message that came between the peek and the wait is still found at once.
        const DWORD wait = static_cast<DWORD>(deadline - now < 20 ? deadline - now : 20);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_POSTMESSAGE);
    }
}

}  // namespace quillnet
