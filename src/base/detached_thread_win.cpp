// Detached threads on Windows, started with _beginthreadex (so the C runtime sets up the
// thread's own data) and their handle closed at once.
#include "base/detached_thread.h"

#include <windows.h>
#include <process.h>

#include <memory>
#include <utility>

namespace quillnet {

namespace {

unsigned __stdcall run_body(void* argument) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
    try {
        (*body)();
    } catch (...) {
        // The bodies handle their own failures; an escaped exception ends only this thread.
    }
    return 0;
}

}  // namespace

bool start_detached(std::function<void()> body) noexcept {
    std::unique_ptr<std::function<void()>> owned;
    try {
        owned = std::make_unique<std::function<void()>>(std::move(body));
    } catch (...) {
        return false;
    }
    const uintptr_t thread = _beginthreadex(nullptr, 0, run_body, owned.get(), 0, nullptr);
    if (thread == 0) return false;  // the body is freed with the holder
    owned.release();                // the thread owns it now
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

}  // namespace quillnet
