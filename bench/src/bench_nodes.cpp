// Engines, ports and hand-made announcements for the benchmarks.
#include "bench_nodes.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "bench_clock.h"
#include "net/wire.h"

namespace quillnet {

std::uint16_t next_bench_port() {
    static std::atomic<unsigned> next{[] {
        const char* base = std::getenv("QN_BENCH_PORTS");
        return base ? static_cast<unsigned>(std::atoi(base)) : 46000u;
    }()};
    return static_cast<std::uint16_t>(next.fetch_add(1));
}

Settings bench_settings(const std::string& user, std::uint16_t discovery_port, std::uint16_t message_port) {
    Settings s;
    s.user = user;
    s.room = "Room " + user;
    s.discovery_port = discovery_port;
    s.message_port = message_port;
    // The sealed rows of the table run the same benchmarks under a site key.
    if (const char* key = std::getenv("QN_BENCH_SITE_KEY")) s.site_key = key;
    return s;
}

bool bench_loop() { return std::getenv("QN_BENCH_LOOP") != nullptr; }

bool BenchNode::start(const Settings& settings) {
    std::wstring error;
    if (bench_loop()) {
        for (char c = 'A'; c < 'A' + 8; ++c) engine.raise_flag(std::string(64, c));
    }
    if (engine.start(settings, window, error)) return true;
    std::fprintf(stderr, "engine start failed: %s\n", std::string(error.begin(), error.end()).c_str());
    return false;
}

bool wait_for_peers(BenchNode& node, const std::vector<InstanceId>& ids, int timeout_ms) {
    const std::int64_t deadline = now_us() + static_cast<std::int64_t>(timeout_ms) * 1000;
    while (now_us() < deadline) {
        const PeerSnapshot peers = node.engine.snapshot_peers();
        std::size_t found = 0;
        for (const auto& id : ids) {
            for (const auto& p : peers) {
                if (p.id == id && p.port != 0) {
                    ++found;
                    break;
                }
            }
        }
        if (found == ids.size()) return true;
        PostedEvent event;
        if (next_bench_event(node.window, event, 20)) free_bench_event(event);
    }
    return false;
}

std::string sample_frame(const std::string& text) {
    std::vector<std::string> fields{"{0D2F1C55-7A43-4B8E-9E61-3C0A5B7D9F10}-0", "{0D2F1C55-7A43-4B8E-9E61-3C0A5B7D9F10}",
                                    "Bench", "Room Bench", text};
    if (bench_loop()) {
        fields.push_back("45778");
        fields.push_back("1");
    }
    return encode_line("MSG", fields);
}

void announce_raw_peer(const std::string& id, std::uint16_t discovery_port, std::uint16_t message_port) {
    SocketHolder socket(open_udp_socket());
    set_broadcast(socket.get());
    const std::string line = encode_line("HELLO", {id, "raw " + id, "Raw", std::to_string(message_port)});
    // The loopback broadcast reaches every engine sharing the port; a unicast would
    // reach only one of them.
    send_datagram(socket.get(), line.data(), line.size(), 0x7FFFFFFF, discovery_port);
}

}  // namespace quillnet
