// The benchmark event source: the engine tests' stand-in window (a message-only window
// under Windows, the native queue elsewhere), with helpers for timing loops.
#include "bench_clock.h"
#include "bench_events.h"
#include "event_sink.h"

namespace quillnet {

WindowHandle open_bench_window() { return open_sink_window(); }

void close_bench_window(WindowHandle window) { close_sink_window(window); }

bool next_bench_event(WindowHandle window, PostedEvent& event, int timeout_ms) {
    return fetch_sink_event(window, event, timeout_ms);
}

void free_bench_event(const PostedEvent& event) { free_engine_payload(event.message, event.payload); }

int drain_bench_events(WindowHandle window) {
    int count = 0;
    PostedEvent event;
    while (next_bench_event(window, event, 0)) {
        free_bench_event(event);
        ++count;
    }
    return count;
}

bool wait_bench_event(WindowHandle window, unsigned message, PostedEvent& event, int timeout_ms) {
    const std::int64_t deadline = now_us() + static_cast<std::int64_t>(timeout_ms) * 1000;
    for (;;) {
        const std::int64_t left_ms = (deadline - now_us()) / 1000;
        if (left_ms < 0) return false;
        if (!next_bench_event(window, event, static_cast<int>(left_ms))) return false;
        if (event.message == message) return true;
        free_bench_event(event);
    }
}

}  // namespace quillnet
