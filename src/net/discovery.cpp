// Discovery: announcing this instance (HELLO, HEARTBEAT, BYE), hearing the others, and
// dropping peers that went silent.
#include <vector>

#include "net/adapters.h"
#include "net/clock.h"
#include "net/discovery_rules.h"
#include "net/engine.h"
#include "net/sealed_engine.h"
#include "net/wire.h"

namespace quillnet {

namespace {

constexpr int WAIT_SLICE_MS = 200;
constexpr int HEARTBEAT_CYCLE_MS = 200;

}  // namespace

void NetworkEngine::broadcast_discovery(const char* kind) {
    if (!kind || udp_socket_.load() == INVALID_SOCKET_HANDLE) return;
    std::string user;
    std::string room;
    {
        std::lock_guard<std::mutex> lock(identity_mutex_);
        user = settings_.user;
        room = settings_.room;
    }
    const std::string port = std::to_string(static_cast<unsigned>(settings_.message_port));
    const std::string line = sealed_ ? sealed_announcement(*sealed_, kind, instance_id_, user, room, port)
                                     : encode_line(kind, {instance_id_, user, room, port});
    if (line.empty()) return;

    std::vector<std::uint32_t> targets{IPV4_LIMITED_BROADCAST};
    for (const std::uint32_t address : adapter_broadcast_addresses()) targets.push_back(address);
    for (const auto& seed : settings_.seed_peers) {
        std::uint32_t address = 0;
        if (parse_ipv4(seed, address)) targets.push_back(address);  // names are never looked up
    }

    std::lock_guard<std::mutex> lock(udp_send_mutex_);
    const SocketHandle udp = udp_socket_.load();
    if (udp == INVALID_SOCKET_HANDLE) return;
    for (const std::uint32_t address : targets) {
        send_datagram(udp, line.data(), line.size(), address, settings_.discovery_port);
    }
}

void NetworkEngine::handle_datagram(const char* data, std::size_t size, std::uint32_t source) {
    const std::string source_address = format_ipv4(source);
    for (const auto& text : admit_datagram_lines(data, size, source_address, sealed_.get(), notices_, instance_id_)) {
        const ParsedLine line = parse_line(text);
        bool changed;
        {
            std::lock_guard<std::mutex> lock(peers_mutex_);
            changed = apply_discovery_line(peers_, line, instance_id_, source_address, milliseconds_since_start());
        }
        if (changed && window_) post_engine_event(window_, WM_APP_PEERS_CHANGED, nullptr);
    }
}

void NetworkEngine::discovery_receiver_loop() {
    const SocketHandle udp = udp_socket_.load();
    std::vector<char> buffer(DATAGRAM_BUFFER_SIZE);
    while (running_) {
        try {
            if (wait_readable(udp, WAIT_SLICE_MS) != WaitResult::ready) continue;
            std::uint32_t source = 0;
            const int size = receive_datagram(udp, buffer.data(), buffer.size(), source);
            if (size <= 0) continue;
            handle_datagram(buffer.data(), static_cast<std::size_t>(size), source);
        } catch (...) {
            // Out of memory while handling one datagram: drop it and go on.
        }
    }
}

void NetworkEngine::heartbeat_loop() {
    std::int64_t last = 0;
    while (running_) {
        try {
            const std::int64_t now = milliseconds_since_start();
            if (now - last >= settings_.heartbeat_ms) {
                broadcast_discovery("HEARTBEAT");
                const std::int64_t cutoff = milliseconds_since_start() - settings_.peer_timeout_ms;
                bool removed;
                {
                    std::lock_guard<std::mutex> lock(peers_mutex_);
                    removed = expire_peers(peers_, cutoff);
                }
                if (removed && window_) post_engine_event(window_, WM_APP_PEERS_CHANGED, nullptr);
                last = now;
            }
        } catch (...) {
            // Out of memory in one cycle: try again in the next.
        }
        pause_unless_stopping(HEARTBEAT_CYCLE_MS);
    }
}

}  // namespace quillnet
