// Native event source for engine tests: the queue behind post_engine_event.
#include <atomic>
#include <cstdint>

#include "event_sink.h"

namespace quillnet {

WindowHandle open_sink_window() {
    static std::atomic<std::uintptr_t> next{0x1000};
    auto* window = reinterpret_cast<WindowHandle>(next.fetch_add(0x10));
    open_event_window(window);
    return window;
}

void close_sink_window(WindowHandle window) { close_event_window(window); }

bool fetch_sink_event(WindowHandle window, PostedEvent& event, int timeout_ms) {
    return wait_for_event(window, event, timeout_ms);
}

}  // namespace quillnet
