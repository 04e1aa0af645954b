// The board: from raise_flag on one engine until a second engine's snapshot lists the
// flag (the extra HEARTBEAT carries it), beside the discovery time of a fresh engine
// measured on the same pair in the same run (its HELLO to the first engine's notice).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_nodes.h"
#include "benchmarks.h"

namespace quillnet {

namespace {

bool lists_flag(const NetworkEngine& engine, const std::string& owner, const std::string& label) {
    for (const auto& peer : engine.snapshot_peers()) {
        if (peer.id != owner) continue;
        for (const auto& flag : peer.flags)
            if (flag.label == label) return true;
    }
    return false;
}

}  // namespace

int bench_board(int repeats) {
    const std::uint16_t discovery = next_bench_port();
    BenchNode owner, watcher;
    if (!owner.start(bench_settings("owner", discovery, next_bench_port())) ||
        !watcher.start(bench_settings("watcher", discovery, next_bench_port()))) {
        std::fprintf(stderr, "board: engines did not start\n");
        return 1;
    }
    if (!wait_for_peers(watcher, {owner.engine.instance_id()}, 15000)) {
        std::fprintf(stderr, "board: the owner was not discovered\n");
        return 1;
    }
    std::vector<std::int64_t> board_us, discovery_us;
    int failures = 0;
    for (int r = 0; r < repeats; ++r) {
        const std::string label = "Flag " + std::to_string(r);
        drain_bench_events(watcher.window);
        watcher.engine.peers_notice_handled();
        const std::int64_t t0 = now_us();
        owner.engine.raise_flag(label);
        bool seen = false;
        while (!seen && now_us() - t0 < 10000000) {
            PostedEvent event;
            // The board rebuilds on the notice; the snapshot then lists the flag.
            if (wait_bench_event(watcher.window, WM_APP_PEERS_CHANGED, event, 10000)) {
                watcher.engine.peers_notice_handled();
                seen = lists_flag(watcher.engine, owner.engine.instance_id(), label);
            }
        }
        board_us.push_back(now_us() - t0);
        if (std::getenv("QN_BENCH_TRACE")) std::fprintf(stderr, "board %lld us\n", static_cast<long long>(board_us.back()));
        if (!seen) ++failures;
        owner.engine.clear_own_flag(label);
        // The clear's own extra HEARTBEAT may wait for the end of the raise's 250 ms; past
        // both, so that each raise goes out at once.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));

        // The same watcher discovering a fresh engine.
        drain_bench_events(watcher.window);
        watcher.engine.peers_notice_handled();
        {
            BenchNode fresh;
            PostedEvent event;
            const std::int64_t d0 = now_us();
            const bool started = fresh.start(bench_settings("fresh", discovery, next_bench_port()));
            const bool found = started && wait_bench_event(watcher.window, WM_APP_PEERS_CHANGED, event, 10000);
            discovery_us.push_back(now_us() - d0);
            watcher.engine.peers_notice_handled();
            if (!found) ++failures;
            fresh.engine.stop();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    report("board_repeats", repeats);
    report("board_engine_p50_us", static_cast<double>(percentile(board_us, 50)));
    report("board_discovery_p50_us", static_cast<double>(percentile(discovery_us, 50)));
    report("board_failures", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace quillnet
