// Fan-out: the time until the result of one page to many rooms arrives, with every room
// answering and with some rooms that accept the connection but never answer. The
// reference makes the same exchanges one after another with raw sockets and the same
// 1500 ms reply limit. With silent rooms, also when the last live room had the page.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_nodes.h"
#include "benchmarks.h"
#include "raw_reference.h"

namespace quillnet {

namespace {

// send_message to ids; the milliseconds until its result, and its acknowledged count.
double page_ms(BenchNode& sender, const std::vector<InstanceId>& ids, int& acknowledged) {
    int attempted = 0;
    const std::int64_t t0 = now_us();
    const MessageId id = sender.engine.send_message(ids, "FLAG", "Red", attempted);
    acknowledged = -1;
    PostedEvent event;
    while (wait_bench_event(sender.window, WM_APP_DELIVERY_RESULT, event, 60000)) {
        auto* result = static_cast<DeliveryResult*>(event.payload);
        const bool ours = result->message_id == id;
        if (ours) acknowledged = result->acknowledged;
        free_bench_event(event);
        if (ours) break;
    }
    return static_cast<double>(now_us() - t0) / 1000.0;
}

// As page_ms, and also when the page reached each of rooms (polled about every 0.1 ms on
// this thread, since a window's events are read by the thread that opened it): the
// latest such arrival in last_arrival_ms, -1 when a room never had it.
double page_and_arrival_ms(BenchNode& sender, const std::vector<InstanceId>& ids,
                           const std::vector<BenchNode*>& rooms, int& acknowledged, double& last_arrival_ms) {
    int attempted = 0;
    const std::int64_t t0 = now_us();
    const MessageId id = sender.engine.send_message(ids, "FLAG", "Red", attempted);
    acknowledged = -1;
    double result_ms = -1;
    std::vector<double> arrived(rooms.size(), -1);
    std::size_t waiting = rooms.size();
    while ((result_ms < 0 || waiting > 0) && now_us() - t0 < 60000000) {
        for (std::size_t i = 0; i < rooms.size(); ++i) {
            PostedEvent event;
            while (next_bench_event(rooms[i]->window, event, 0)) {
                if (event.message == WM_APP_MESSAGE_RECEIVED && arrived[i] < 0) {
                    arrived[i] = static_cast<double>(now_us() - t0) / 1000.0;
                    --waiting;
                }
                free_bench_event(event);
            }
        }
        PostedEvent event;
        if (!next_bench_event(sender.window, event, 0)) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
            continue;
        }
        if (event.message == WM_APP_DELIVERY_RESULT) {
            auto* result = static_cast<DeliveryResult*>(event.payload);
            if (result->message_id == id) {
                acknowledged = result->acknowledged;
                result_ms = static_cast<double>(now_us() - t0) / 1000.0;
            }
        }
        free_bench_event(event);
    }
    last_arrival_ms = 0;
    for (double t : arrived) last_arrival_ms = t < 0 ? -1 : std::max(last_arrival_ms, t);
    return result_ms;
}

double raw_ms(const std::vector<std::uint16_t>& ports, const std::string& frame, int& acknowledged) {
    acknowledged = 0;
    const std::int64_t t0 = now_us();
    for (const std::uint16_t port : ports)
        if (raw_exchange(port, frame, 1500)) ++acknowledged;
    return static_cast<double>(now_us() - t0) / 1000.0;
}

double median(std::vector<double> v) {
    std::vector<std::int64_t> us;
    for (double x : v) us.push_back(static_cast<std::int64_t>(x * 1000));
    return static_cast<double>(percentile(us, 50)) / 1000.0;
}

}  // namespace

int bench_fanout(int rooms, int silent, int repeats) {
    const std::uint16_t discovery = next_bench_port();
    BenchNode sender;
    if (!sender.start(bench_settings("sender", discovery, next_bench_port()))) return 1;
    std::vector<std::unique_ptr<BenchNode>> recipients;
    std::vector<InstanceId> all_ids;
    for (int i = 0; i < rooms; ++i) {
        recipients.push_back(std::make_unique<BenchNode>());
        if (!recipients.back()->start(bench_settings("room" + std::to_string(i), discovery, next_bench_port()))) {
            std::fprintf(stderr, "fanout: room %d did not start\n", i);
            return 1;
        }
        all_ids.push_back(recipients.back()->engine.instance_id());
    }
    std::vector<std::unique_ptr<RawAckServer>> silent_servers;
    std::vector<InstanceId> with_silent(all_ids.begin(), all_ids.end() - silent);
    for (int i = 0; i < silent; ++i) {
        silent_servers.push_back(std::make_unique<RawAckServer>(true));
        const std::string id = "{SILENT-" + std::to_string(i) + "}";
        announce_raw_peer(id, discovery, silent_servers.back()->port());
        with_silent.push_back(id);
    }
    std::vector<InstanceId> expected = all_ids;
    expected.insert(expected.end(), with_silent.end() - silent, with_silent.end());
    if (!wait_for_peers(sender, expected, 30000)) {
        std::fprintf(stderr, "fanout: not every room was discovered\n");
        return 1;
    }

    std::vector<std::unique_ptr<RawAckServer>> raw_servers;
    std::vector<std::uint16_t> raw_all, raw_silent;
    for (int i = 0; i < rooms; ++i) {
        raw_servers.push_back(std::make_unique<RawAckServer>());
        raw_all.push_back(raw_servers.back()->port());
    }
    raw_silent.assign(raw_all.begin(), raw_all.end() - silent);
    for (const auto& s : silent_servers) raw_silent.push_back(s->port());
    const std::string frame = sample_frame("Red");

    auto drain_rooms = [&] {
        for (auto& r : recipients) drain_bench_events(r->window);
    };
    std::vector<BenchNode*> live;
    for (auto& r : recipients) live.push_back(r.get());
    live.resize(static_cast<std::size_t>(rooms - silent));  // the rooms paged beside the silent ones
    std::vector<double> all_engine, all_raw, silent_engine, silent_raw, silent_arrival;
    int failures = 0;
    const int answering = rooms - silent;
    for (int r = 0; r < repeats * 10; ++r) {
        int acked = 0;
        all_engine.push_back(page_ms(sender, all_ids, acked));
        if (acked != rooms) ++failures;
        drain_rooms();
        all_raw.push_back(raw_ms(raw_all, frame, acked));
        if (acked != rooms) ++failures;
    }
    for (int r = 0; r < repeats; ++r) {
        int acked = 0;
        double last_arrival = 0;
        silent_engine.push_back(page_and_arrival_ms(sender, with_silent, live, acked, last_arrival));
        if (acked != answering || last_arrival < 0) ++failures;
        silent_arrival.push_back(last_arrival);
        drain_rooms();
        silent_raw.push_back(raw_ms(raw_silent, frame, acked));
        if (acked != answering) ++failures;
    }
    report("fanout_rooms", rooms);
    report("fanout_silent_rooms", silent);
    report("fanout_all_engine_ms", median(all_engine));
    report("fanout_all_raw_ms", median(all_raw));
    report("fanout_silent_engine_ms", median(silent_engine));
    report("fanout_silent_raw_ms", median(silent_raw));
    // The latest of the live rooms' arrivals while silent rooms were paged too.
    report("fanout_silent_live_arrival_ms", median(silent_arrival));
    report("fanout_failures", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace quillnet
