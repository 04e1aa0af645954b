// Discovery: announcing this instance (HELLO, HEARTBEAT, BYE), hearing the others, and
// dropping peers that went silent.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "net/adapters.h"
#include "net/announcement.h"
#include "net/clock.h"
#include "net/discovery_rules.h"
#include "net/engine_diagnostics.h"
#include "net/engine.h"
#include "net/sealed_engine.h"
#include "net/wire.h"

namespace quillnet {

namespace {

constexpr int DATAGRAMS_PER_WAKE = 64;

}  // namespace

void NetworkEngine::broadcast_discovery(const char* kind) {
    if (!kind || udp_socket_.load() == INVALID_SOCKET_HANDLE) return;
    std::string user;
    std::string room;
    copy_identity(user, room);
    const std::string port = std::to_string(static_cast<unsigned>(settings_.message_port));

    std::vector<std::uint32_t> targets{IPV4_LIMITED_BROADCAST};
    for (const auto& seed : settings_.seed_peers) {
        std::uint32_t address = 0;
        if (parse_ipv4(seed, address)) targets.push_back(address);  // names are never looked up
    }

    // Every announcement is built and sent under this lock, from the flag set as it is
    // then: one built before a change can never go out after one built after it.
    std::lock_guard<std::mutex> lock(udp_send_mutex_);
    const SocketHandle udp = udp_socket_.load();
    if (udp == INVALID_SOCKET_HANDLE) return;
    // stop() clears running_ before it says BYE under this lock, so an announcement that
    // was waiting for the lock meanwhile is dropped instead of following the BYE.
    if (!running_.load() && std::strcmp(kind, "BYE") != 0) return;
    std::vector<AnnouncedFlag> flags;
    const std::int64_t now = milliseconds_since_start();
    for (const auto& flag : own_flags_.list()) flags.push_back({flag.label, (now - flag.raised_ms) / 1000});
    const std::string line =
        sealed_ ? sealed_announcement(*sealed_, kind, instance_id_, user, room, port, flags)
                : announcement_line(kind, instance_id_, user, room, port, flags, DATAGRAM_BUFFER_SIZE);
    if (line.empty()) return;
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
    for (const auto& admitted : admit_datagram_lines(data, size, source_address, sealed_.get(), notices_, instance_id_)) {
        const ParsedLine line = parse_line(admitted.text);
        // The table ignores this copy's own announcements; the network check counts them.
        if (is_own_announcement(line, instance_id_)) own_heard_ms_ = milliseconds_since_start();
        DiscoveryOutcome outcome;
        {
            std::lock_guard<std::mutex> lock(peers_mutex_);
            outcome = apply_announcement(peers_, line, instance_id_, source_address, milliseconds_since_start(),
                                         admitted.sent_at);
        }
        post_flags_gone(outcome.departed);
        if (outcome.list_changed || outcome.board_changed) notify_peers_changed();
    }
}

void NetworkEngine::discovery_receiver_loop() {
    const SocketHandle sockets[2] = {udp_socket_.load(), discovery_wake_.socket()};
    const std::size_t count = sockets[1] == INVALID_SOCKET_HANDLE ? 1 : 2;
    unsigned char ready[2] = {0, 0};
    std::vector<char> buffer(DATAGRAM_BUFFER_SIZE);
    while (running_) {
        try {
            // Sleeps until a datagram arrives or stop() wakes it. Whatever else reached
            // the wake socket is drained, so it cannot keep the wait from sleeping.
            if (wait_readable_any(sockets, ready, count, idle_wait_ms(discovery_wake_)) <= 0) continue;
            if (ready[1] && discovery_wake_.drain()) break;
            if (!ready[0]) continue;
            // Whatever else is queued is taken without another wait: under a flood this
            // halves the calls per datagram. A failed receive (nothing left, or one too
            // long) ends the batch; the next wait says whether more is there.
            for (int n = 0; n < DATAGRAMS_PER_WAKE && running_; ++n) {
                std::uint32_t source = 0;
                const int size = receive_datagram(sockets[0], buffer.data(), buffer.size(), source);
                if (size < 0) break;
                if (size > 0) handle_datagram(buffer.data(), static_cast<std::size_t>(size), source);
            }
        } catch (...) {
            // Out of memory while handling one datagram: drop it and go on.
        }
    }
}

void NetworkEngine::heartbeat_loop() {
    const std::int64_t interval = std::max<std::int32_t>(1, settings_.heartbeat_ms);
    // The first heartbeat goes out at once, then one every interval. Between them the
    // thread sleeps until the next thing is due: a heartbeat, an extra HEARTBEAT asked
    // for by a change of the own flags or identity (at most one per
    // EXTRA_HEARTBEAT_GAP_MS, which never moves the regular ones), or the check of an
    // urgent page. stop() wakes it.
    // start() has just read the adapter list for its HELLO; after that it is read again
    // before each heartbeat, never more often.
    bool adapters_fresh = true;
    std::int64_t next_regular = milliseconds_since_start();
    while (running_) {
        std::int64_t next_check = -1;
        try {
            const std::int64_t now = milliseconds_since_start();
            if (now >= next_regular) {
                next_regular = now + interval;
                if (!adapters_fresh) refresh_broadcast_addresses();
                adapters_fresh = false;
                broadcast_discovery("HEARTBEAT");
                const std::int64_t cutoff = milliseconds_since_start() - settings_.peer_timeout_ms;
                bool removed;
                std::vector<PeerRecord> gone;
                {
                    std::lock_guard<std::mutex> lock(peers_mutex_);
                    removed = expire_peers(peers_, cutoff, &gone);
                }
                post_flags_gone(gone);
                if (removed) notify_peers_changed();
            }
            bool extra_now = false;
            {
                std::lock_guard<std::mutex> lock(pause_mutex_);
                if (extra_pending_ && now >= last_extra_ms_ + EXTRA_HEARTBEAT_GAP_MS) {
                    extra_pending_ = false;
                    last_extra_ms_ = now;
                    extra_now = true;
                }
            }
            if (extra_now) broadcast_discovery("HEARTBEAT");
            next_check = run_escalation_checks(milliseconds_since_start());
        } catch (...) {
            // Out of memory in one cycle: try again in the next.
        }
        std::unique_lock<std::mutex> lock(pause_mutex_);
        std::int64_t until = next_regular;
        if (next_check >= 0 && next_check < until) until = next_check;
        if (extra_pending_ && last_extra_ms_ + EXTRA_HEARTBEAT_GAP_MS < until) until = last_extra_ms_ + EXTRA_HEARTBEAT_GAP_MS;
        const std::int64_t wait_ms = until - milliseconds_since_start();
        if (wait_ms <= 0) continue;
        // Wakes early for stop() and for a new extra HEARTBEAT request.
        const bool extra_was = extra_pending_;
        pause_wake_.wait_for(lock, std::chrono::milliseconds(wait_ms),
                             [&] { return !running_.load() || (extra_pending_ && !extra_was); });
    }
}

}  // namespace quillnet
