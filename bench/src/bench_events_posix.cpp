// Benchmark events natively: the queue behind post_engine_event.
#include <atomic>
#include <cstdint>

#include "bench_events.h"

namespace quillnet {

WindowHandle open_bench_window() {
    static std::atomic<std::uintptr_t> next{0xB000};
    auto* window = reinterpret_cast<WindowHandle>(next.fetch_add(0x10));
    open_event_window(window);
    return window;
}

void close_bench_window(WindowHandle window) { close_event_window(window); }

bool next_bench_event(WindowHandle window, PostedEvent& event, int timeout_ms) {
    return wait_for_event(window, event, timeout_ms);
}

}  // namespace quillnet
