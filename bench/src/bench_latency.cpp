// Page latency: send_message to the DeliveryResult for one recipient, beside a raw
// client doing connect, one line, one acknowledgement line, close. The two are measured
// in alternating blocks so that both see the same machine load.
#include <cstdio>
#include <vector>

#include "bench_clock.h"
#include "bench_nodes.h"
#include "benchmarks.h"
#include "raw_reference.h"

namespace quillnet {

int bench_latency(int pages) {
    const std::uint16_t discovery = next_bench_port();
    BenchNode sender, recipient;
    if (!sender.start(bench_settings("sender", discovery, next_bench_port())) ||
        !recipient.start(bench_settings("recipient", discovery, next_bench_port()))) {
        std::fprintf(stderr, "latency: engines did not start\n");
        return 1;
    }
    if (!wait_for_peers(sender, {recipient.engine.instance_id()}, 15000)) {
        std::fprintf(stderr, "latency: the recipient was not discovered\n");
        return 1;
    }
    RawAckServer raw;
    const std::string frame = sample_frame("Please come to reception");
    const std::vector<InstanceId> to{recipient.engine.instance_id()};

    constexpr int BLOCK = 100;
    std::vector<std::int64_t> engine_us, raw_us;
    int failures = 0;
    while (static_cast<int>(engine_us.size()) < pages) {
        for (int i = 0; i < BLOCK; ++i) {
            int attempted = 0;
            const std::int64_t t0 = now_us();
            const MessageId id = sender.engine.send_message(to, "MSG", "Please come to reception", attempted, bench_loop());
            PostedEvent event;
            bool acknowledged = false;
            while (wait_bench_event(sender.window, WM_APP_DELIVERY_RESULT, event, 10000)) {
                auto* result = static_cast<DeliveryResult*>(event.payload);
                const bool ours = result->message_id == id;
                acknowledged = ours && result->acknowledged == 1;
                free_bench_event(event);
                if (ours) break;
            }
            engine_us.push_back(now_us() - t0);
            if (!acknowledged) ++failures;
            drain_bench_events(recipient.window);
        }
        for (int i = 0; i < BLOCK; ++i) {
            const std::int64_t t0 = now_us();
            if (!raw_exchange(raw.port(), frame)) ++failures;
            raw_us.push_back(now_us() - t0);
        }
    }
    report("latency_pages", static_cast<double>(engine_us.size()));
    report("latency_engine_p50_us", static_cast<double>(percentile(engine_us, 50)));
    report("latency_engine_p99_us", static_cast<double>(percentile(engine_us, 99)));
    report("latency_raw_p50_us", static_cast<double>(percentile(raw_us, 50)));
    report("latency_raw_p99_us", static_cast<double>(percentile(raw_us, 99)));
    report("latency_failures", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace quillnet
