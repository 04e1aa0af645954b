// A sealed copy under a flood of lines with made-up salts (its key id, random salts and
// payloads, as anyone who has seen the wire can send without the key) at the full rate
// one sending thread reaches, while a room already heard keeps announcing itself: the
// share of that room's heartbeats the copy accepts, beside the same without the flood.
// Every genuine heartbeat names an id and port of its own, so each one accepted is one
// more entry in the peer table.
#include <atomic>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_clock.h"
#include "bench_nodes.h"
#include "benchmarks.h"
#include "net/sealed_wire.h"
#include "net/wire.h"

namespace quillnet {

namespace {

const char* const FLOOD_KEY = "6d1f3a5c7e9b0d2f4a6c8e0b1d3f5a7c9e1b3d5f7a9c0e2b4d6f8a1c3e5b7d9f";
constexpr int HEARTBEAT_GAP_MS = 10;

std::string unterminated(const std::string& line) { return line.substr(0, line.size() - 1); }

// A UDP socket bound to one loopback address, sending to the copy on 127.0.0.1.
class RawUdpSender {
public:
    explicit RawUdpSender(std::uint32_t address) : socket_(open_udp_socket()) { bind_ipv4(socket_.get(), address, 0); }
    void send(const std::string& line, std::uint16_t port) {
        send_datagram(socket_.get(), line.data(), line.size(), IPV4_LOOPBACK, port);
    }

private:
    SocketHolder socket_;
};

// Lines shaped like the room's own, each with a random salt and random payload bytes.
std::vector<std::string> made_up_lines(const std::string& model, std::size_t count) {
    std::mt19937_64 random(11);
    const char* hex = "0123456789abcdef";
    const std::size_t salt_at = model.find('\x1F', 4) + 1;
    const std::size_t payload_at = model.rfind('\x1F') + 1;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = model;
        for (std::size_t k = 0; k < 32; ++k) line[salt_at + k] = hex[random() % 16];
        const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (std::size_t k = payload_at; k + 4 < line.size(); ++k) line[k] = alphabet[random() % 64];
        lines.push_back(line);
    }
    return lines;
}

int count_listed(BenchNode& node, const std::string& prefix) {
    int n = 0;
    for (const auto& p : node.engine.snapshot_peers()) n += p.id.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    return n;
}

// Sends heartbeats of the room, each under its own id and port; returns how many the
// copy listed afterwards.
int announce_room(BenchNode& node, SealedWire& room, RawUdpSender& sender, std::uint16_t port,
                  const std::string& prefix, int heartbeats) {
    for (int i = 0; i < heartbeats; ++i) {
        const std::string id = prefix + std::to_string(i);
        sender.send(room.seal("", unterminated(encode_line("HEARTBEAT", {id, "lab", "Lab", std::to_string(20000 + i)}))),
                    port);
        std::this_thread::sleep_for(std::chrono::milliseconds(HEARTBEAT_GAP_MS));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    drain_bench_events(node.window);
    return count_listed(node, prefix);
}

}  // namespace

int bench_salt_flood(int heartbeats) {
    const std::uint16_t discovery = next_bench_port();
    Settings settings = bench_settings("copy", discovery, next_bench_port());
    settings.site_key = FLOOD_KEY;
    settings.peer_timeout_ms = 600000;
    BenchNode node;
    if (!node.start(settings)) return 1;
    SiteKey key{};
    parse_site_key(FLOOD_KEY, key);
    SealedWire room(key, WallClock());
    RawUdpSender genuine(IPV4_LOOPBACK);
    // The room is heard once before anything else, as a room that was already running.
    genuine.send(room.seal("", unterminated(encode_line("HELLO", {"{LAB}", "lab", "Lab", "19999"}))), discovery);
    if (!wait_for_peers(node, {"{LAB}"}, 5000)) {
        std::fprintf(stderr, "salt flood: the room was not heard\n");
        return 1;
    }
    const int quiet = announce_room(node, room, genuine, discovery, "{QUIET-", heartbeats);

    const std::vector<std::string> flood = made_up_lines(room.seal("", "HEARTBEAT\x1F{X}\x1Fx\x1Fx\x1F" "1"), 4096);
    std::atomic<bool> flooding{true};
    std::atomic<long long> sent{0};
    // From another loopback address, as another device would.
    std::thread flooder([&] {
        RawUdpSender attacker(0x7F000002);
        long long n = 0;
        while (flooding.load(std::memory_order_relaxed)) attacker.send(flood[static_cast<std::size_t>(n++) % flood.size()], discovery);
        sent = n;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::int64_t t0 = now_us();
    const int flooded = announce_room(node, room, genuine, discovery, "{FLOOD-", heartbeats);
    flooding = false;
    flooder.join();
    const double seconds = static_cast<double>(now_us() - t0) / 1e6 + 0.2;
    report("salt_flood_heartbeats", heartbeats);
    report("salt_flood_datagrams_per_s", static_cast<double>(sent.load()) / seconds);
    report("salt_flood_accepted_percent", 100.0 * flooded / heartbeats);
    report("salt_quiet_accepted_percent", 100.0 * quiet / heartbeats);
    return flooded * 100 >= heartbeats * 99 ? 0 : 1;
}

}  // namespace quillnet
