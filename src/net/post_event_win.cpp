// Posting the engine's window messages on Windows.
#include <windows.h>

#include "net/events.h"

namespace quillnet {

bool post_engine_event(WindowHandle window, unsigned message, void* payload) {
    if (!window) return false;
    return PostMessageW(static_cast<HWND>(window), message, 0, reinterpret_cast<LPARAM>(payload)) != 0;
}

}  // namespace quillnet
