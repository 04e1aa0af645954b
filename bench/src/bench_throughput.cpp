// Receiver throughput: frames acknowledged per second when several senders page one
// receiver at once, beside a raw accept-read-reply loop. Rounds of one second alternate
// between the two so that both see the same machine load.
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_nodes.h"
#include "benchmarks.h"
#include "net/sealed_wire.h"
#include "raw_reference.h"

namespace quillnet {

namespace {

// senders threads exchange frames with port for duration_ms; the calling thread keeps
// the receiver's window empty meanwhile, as the program's message loop would.
long long run_senders(std::uint16_t port, int senders, int duration_ms, const std::function<std::string()>& next_frame,
                      WindowHandle window, long long& failed) {
    std::atomic<long long> acknowledged{0}, refused{0};
    std::atomic<bool> go{true};
    std::vector<std::thread> threads;
    for (int i = 0; i < senders; ++i) {
        threads.emplace_back([&] {
            while (go) {
                if (raw_exchange(port, next_frame())) ++acknowledged;
                else ++refused;
            }
        });
    }
    const std::int64_t deadline = now_us() + static_cast<std::int64_t>(duration_ms) * 1000;
    while (now_us() < deadline) {
        PostedEvent event;
        if (next_bench_event(window, event, 10)) free_bench_event(event);
    }
    go = false;
    for (auto& t : threads) t.join();
    drain_bench_events(window);
    failed += refused;
    return acknowledged;
}

}  // namespace

int bench_throughput(int senders, int seconds) {
    BenchNode receiver;
    const std::uint16_t discovery = next_bench_port();
    const std::uint16_t message = next_bench_port();
    if (!receiver.start(bench_settings("receiver", discovery, message))) {
        std::fprintf(stderr, "throughput: engine did not start\n");
        return 1;
    }
    RawAckServer raw;
    const std::string frame = sample_frame("Next case");
    const auto open_frame = [&frame] { return frame; };
    // Under a site key every sender seals each frame for the receiver, as a sealed copy
    // would; the raw reference keeps the open line.
    std::unique_ptr<SealedWire> sealed;
    SiteKey key{};
    const Settings settings = bench_settings("receiver", discovery, message);
    if (parse_site_key(settings.site_key, key)) sealed = std::make_unique<SealedWire>(key, nullptr);
    const std::string receiver_id = receiver.engine.instance_id();
    const std::string inner = frame.substr(0, frame.size() - 1);
    const auto sealed_frame = [&] { return sealed->seal(receiver_id, inner); };
    const std::function<std::string()> engine_frame =
        sealed ? std::function<std::string()>(sealed_frame) : std::function<std::string()>(open_frame);
    long long engine_acks = 0, raw_acks = 0, failed = 0;
    for (int round = 0; round < seconds; ++round) {
        engine_acks += run_senders(message, senders, 1000, engine_frame, receiver.window, failed);
        raw_acks += run_senders(raw.port(), senders, 1000, open_frame, receiver.window, failed);
    }
    const std::string n = std::to_string(senders);
    report("throughput_engine_" + n + "_per_s", static_cast<double>(engine_acks) / seconds);
    report("throughput_raw_" + n + "_per_s", static_cast<double>(raw_acks) / seconds);
    report("throughput_failures_" + n, static_cast<double>(failed));
    return 0;
}

}  // namespace quillnet
