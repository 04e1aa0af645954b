// Idle cost and the page feeder used for the memory figure of the real program.
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench_clock.h"
#include "bench_nodes.h"
#include "benchmarks.h"
#include "raw_reference.h"

namespace quillnet {

int bench_idle(int seconds, bool with_engine) {
    BenchNode node;
    if (with_engine && !node.start(bench_settings("idle", next_bench_port(), next_bench_port()))) return 1;
    // The reference: one thread waking every 200 ms to do nothing; it runs beside the
    // engine too, so the difference is the engine alone.
    auto wait_seconds = [&](int length) {
        const std::int64_t end = now_us() + static_cast<std::int64_t>(length) * 1000000;
        while (now_us() < end) {
            PostedEvent event;
            if (next_bench_event(node.window, event, 200)) free_bench_event(event);
        }
    };
    // The measured period begins once the engine's threads are up and have sent their
    // first announcements (the start-up has figures of its own).
    wait_seconds(1);
    long wakeups_before = 0;
    long busiest_before = 0;
    const bool counted = other_thread_wakeups(wakeups_before, busiest_before);
    const double cpu_before = process_cpu_ms();
    wait_seconds(seconds);
    report(with_engine ? "idle_engine_cpu_ms" : "idle_reference_cpu_ms", process_cpu_ms() - cpu_before);
    report("idle_seconds", seconds);
    long wakeups = 0;
    long busiest = 0;
    if (with_engine && counted && other_thread_wakeups(wakeups, busiest)) {
        const Settings defaults;
        report("idle_heartbeats", static_cast<double>(seconds) * 1000.0 / defaults.heartbeat_ms);
        report("idle_engine_thread_wakeups", static_cast<double>(wakeups - wakeups_before));
    }
    return 0;
}

int bench_feed(std::uint16_t port, int pages) {
    int acknowledged = 0;
    const std::int64_t t0 = now_us();
    for (int i = 0; i < pages; ++i) {
        if (raw_exchange(port, sample_frame("Log line " + std::to_string(i)), 5000)) ++acknowledged;
    }
    report("feed_pages", pages);
    report("feed_acknowledged", acknowledged);
    report("feed_seconds", static_cast<double>(now_us() - t0) / 1e6);
    return acknowledged == pages ? 0 : 1;
}

}  // namespace quillnet
