// Platform-independent helpers over the benchmark event source.
#include "bench_clock.h"
#include "bench_events.h"

namespace quillnet {

void free_bench_event(const PostedEvent& event) {
    if (event.message == WM_APP_MESSAGE_RECEIVED) delete static_cast<IncomingMessage*>(event.payload);
    if (event.message == WM_APP_DELIVERY_RESULT) delete static_cast<DeliveryResult*>(event.payload);
}

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
