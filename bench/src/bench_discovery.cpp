// Discovery: from a second engine's start to the first engine's WM_APP_PEERS_CHANGED,
// beside the floor for it: a fresh UDP socket sending one datagram that a waiting thread
// receives and hands to the measuring thread.
#include <cstdio>
#include <future>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_nodes.h"
#include "benchmarks.h"
#include "net/wire.h"

namespace quillnet {

namespace {

std::int64_t raw_announcement_us(SocketHandle receiver, std::uint16_t receiver_port, const std::string& line) {
    std::promise<void> arrived;
    std::thread waiter([&] {
        char buffer[DATAGRAM_BUFFER_SIZE];
        std::uint32_t source = 0;
        if (wait_readable(receiver, 10000) == WaitResult::ready) receive_datagram(receiver, buffer, sizeof buffer, source);
        arrived.set_value();
    });
    const std::int64_t t0 = now_us();
    {
        SocketHolder sender(open_udp_socket());
        set_reuse_address(sender.get());
        set_broadcast(sender.get());
        bind_ipv4(sender.get(), IPV4_ANY, 0);
        send_datagram(sender.get(), line.data(), line.size(), IPV4_LOOPBACK, receiver_port);
        arrived.get_future().wait();
    }
    const std::int64_t elapsed = now_us() - t0;
    waiter.join();
    return elapsed;
}

}  // namespace

int bench_discovery(int repeats) {
    const std::uint16_t discovery = next_bench_port();
    BenchNode first;
    if (!first.start(bench_settings("first", discovery, next_bench_port()))) {
        std::fprintf(stderr, "discovery: engine did not start\n");
        return 1;
    }
    SocketHolder raw_receiver(open_udp_socket());
    const std::uint16_t raw_port = next_bench_port();
    bind_ipv4(raw_receiver.get(), IPV4_LOOPBACK, raw_port);
    const std::string line = encode_line("HELLO", {"{RAW}", "raw", "Raw", "1"});

    std::vector<std::int64_t> engine_us, raw_us;
    int failures = 0;
    for (int r = 0; r < repeats; ++r) {
        // Every notice taken is handled as the window does, so the next change posts one.
        drain_bench_events(first.window);
        first.engine.peers_notice_handled();
        {
            BenchNode second;
            PostedEvent event;
            const std::int64_t t0 = now_us();
            const bool started = second.start(bench_settings("second", discovery, next_bench_port()));
            const bool seen = started && wait_bench_event(first.window, WM_APP_PEERS_CHANGED, event, 10000);
            engine_us.push_back(now_us() - t0);
            first.engine.peers_notice_handled();
            if (!seen) ++failures;
            second.engine.stop();  // its BYE takes it off the first engine's list again
            if (seen && wait_bench_event(first.window, WM_APP_PEERS_CHANGED, event, 5000)) {
                first.engine.peers_notice_handled();
            }
        }
        raw_us.push_back(raw_announcement_us(raw_receiver.get(), raw_port, line));
    }
    report("discovery_repeats", repeats);
    report("discovery_engine_p50_us", static_cast<double>(percentile(engine_us, 50)));
    report("discovery_raw_p50_us", static_cast<double>(percentile(raw_us, 50)));
    report("discovery_failures", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace quillnet
