// Discovery: announcing this instance (HELLO, HEARTBEAT, BYE), hearing the others, and
// dropping peers that went silent.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "net/adapters.h"
#include "net/clock.h"
#include "net/discovery_rules.h"
#include "net/engine_diagnostics.h"
#include "net/engine.h"
#include "net/sealed_engine.h"
#include "net/wire.h"

namespace quillnet {

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
    for (const auto& seed : settings_.seed_peers) {
        std::uint32_t address = 0;
        if (parse_ipv4(seed, address)) targets.push_back(address);  // names are never looked up
    }

    std::lock_guard<std::mutex> lock(udp_send_mutex_);
    const SocketHandle udp = udp_socket_.load();
    if (udp == INVALID_SOCKET_HANDLE) return;
    // stop() clears running_ before it says BYE under this lock, so an announcement that
    // was waiting for the lock meanwhile is dropped instead of following the BYE.
    if (!running_.load() && std::strcmp(kind, "BYE") != 0) return;
    targets.insert(targets.begin() + 1, broadcast_addresses_.begin(), broadcast_addresses_.end());
    for (const std::uint32_t address : targets) {
        send_datagram(udp, line.data(), line.size(), address, settings_.discovery_port);
    }
    if (std::strcmp(kind, "BYE") != 0) {
        previously_announced_ms_ = last_announced_ms_.load();
        last_announced_ms_ = milliseconds_since_start();
    }
}

void NetworkEngine::refresh_broadcast_addresses() {
    std::vector<std::uint32_t> addresses = adapter_broadcast_addresses();
    std::lock_guard<std::mutex> lock(udp_send_mutex_);
    broadcast_addresses_.swap(addresses);
}

void NetworkEngine::handle_datagram(const char* data, std::size_t size, std::uint32_t source) {
    const std::string source_address = format_ipv4(source);
    for (const auto& text : admit_datagram_lines(data, size, source_address, sealed_.get(), notices_, instance_id_)) {
        const ParsedLine line = parse_line(text);
        // The table ignores this copy's own announcements; the network check counts them.
        if (is_own_announcement(line, instance_id_)) own_heard_ms_ = milliseconds_since_start();
        bool changed;
        {
            std::lock_guard<std::mutex> lock(peers_mutex_);
            changed = apply_discovery_line(peers_, line, instance_id_, source_address, milliseconds_since_start());
        }
        if (changed) notify_peers_changed();
    }
}

void NetworkEngine::discovery_receiver_loop() {
    const SocketHandle sockets[2] = {udp_socket_.load(), wake_socket_.load()};
    const std::size_t count = sockets[1] == INVALID_SOCKET_HANDLE ? 1 : 2;
    unsigned char ready[2] = {0, 0};
    std::vector<char> buffer(DATAGRAM_BUFFER_SIZE);
    while (running_) {
        try {
            // Sleeps until a datagram arrives or stop() wakes it.
            if (wait_readable_any(sockets, ready, count, idle_wait_ms()) <= 0 || ready[1] || !ready[0]) continue;
            std::uint32_t source = 0;
            const int size = receive_datagram(sockets[0], buffer.data(), buffer.size(), source);
            if (size <= 0) continue;
            handle_datagram(buffer.data(), static_cast<std::size_t>(size), source);
        } catch (...) {
            // Out of memory while handling one datagram: drop it and go on.
        }
    }
}

void NetworkEngine::heartbeat_loop() {
    const auto interval = std::chrono::milliseconds(std::max<std::int32_t>(1, settings_.heartbeat_ms));
    // The first heartbeat goes out at once, then one every interval; in between the
    // thread sleeps until the next one is due (or stop() wakes it).
    // start() has just read the adapter list for its HELLO; after that it is read again
    // before each heartbeat, never more often.
    bool adapters_fresh = true;
    while (running_) {
        const auto due = std::chrono::steady_clock::now() + interval;
        try {
            if (!adapters_fresh) refresh_broadcast_addresses();
            adapters_fresh = false;
            broadcast_discovery("HEARTBEAT");
            const std::int64_t cutoff = milliseconds_since_start() - settings_.peer_timeout_ms;
            bool removed;
            {
                std::lock_guard<std::mutex> lock(peers_mutex_);
                removed = expire_peers(peers_, cutoff);
            }
            if (removed) notify_peers_changed();
        } catch (...) {
            // Out of memory in one cycle: try again in the next.
        }
        std::unique_lock<std::mutex> lock(pause_mutex_);
        pause_wake_.wait_until(lock, due, [this] { return !running_.load(); });
    }
}

}  // namespace quillnet
