// Engines for the benchmarks: each with its own event window, on ports handed out from
// a base (QN_BENCH_PORTS, default 46000) so that runs never meet old connections.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench_events.h"
#include "net/engine.h"

namespace quillnet {

std::uint16_t next_bench_port();

// QN_BENCH_LOOP set: the paging loop at its heaviest, for the "loop" rows beside the plain
// ones of the same run: every engine keeps 8 flags of 64-byte labels raised (its
// announcements carry all of them), pages are urgent, and hand-made frames carry a reply
// port and the urgent mark.
bool bench_loop();

// Default intervals (HEARTBEAT every 3 s, 12 s time-out), as a site would run.
Settings bench_settings(const std::string& user, std::uint16_t discovery_port, std::uint16_t message_port);

struct BenchNode {
    BenchNode() : window(open_bench_window()) {}
    ~BenchNode() {
        engine.stop();
        close_bench_window(window);
    }
    BenchNode(const BenchNode&) = delete;
    BenchNode& operator=(const BenchNode&) = delete;

    bool start(const Settings& settings);

    WindowHandle window;
    NetworkEngine engine;
};

// Waits (freeing the node's events meanwhile) until the node lists every id.
bool wait_for_peers(BenchNode& node, const std::vector<InstanceId>& ids, int timeout_ms);

// The frame an engine sends for a typed message, for the raw references to send alike.
std::string sample_frame(const std::string& text);

// Sends one hand-made HELLO for a raw server to every engine on discovery_port.
void announce_raw_peer(const std::string& id, std::uint16_t discovery_port, std::uint16_t message_port);

}  // namespace quillnet
