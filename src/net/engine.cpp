// Engine lifecycle: start (sockets, threads, HELLO), stop (BYE, wake, join, close),
// identity changes and the rooms-list snapshot.
#include "net/engine.h"

#include <string>

#include "base/secure_memory.h"
#include "net/instance_id.h"
#include "net/loop_delivery.h"
#include "net/sent_pages.h"
#include "net/sealed_engine.h"

namespace quillnet {

namespace {

constexpr int DISCOVERY_RECEIVE_BUFFER_BYTES = 4 << 20;

std::wstring port_text(std::uint16_t port) { return std::to_wstring(static_cast<unsigned>(port)); }

}  // namespace

NetworkEngine::NetworkEngine()
    : sent_pages_(std::make_shared<SentPages>()), seen_sender_(std::make_shared<SeenSender>()) {}

NetworkEngine::~NetworkEngine() { stop(); }

bool NetworkEngine::start(const Settings& settings, WindowHandle window, std::wstring& error_text) {
    stop();  // a repeated start begins from a stopped engine
    {
        std::lock_guard<std::mutex> lock(identity_mutex_);
        settings_ = settings;
    }
    urgent_escalate_s_ = settings.urgent_escalate_s;
    window_ = window;
    notices_.reset(window);
    last_announced_ms_ = previously_announced_ms_ = own_heard_ms_ = -1;
    start_failure_ = static_cast<int>(StartFailure::other);
    // Rooms heard by an earlier run (perhaps in the other mode, or under another key)
    // may not be reachable from this one: every run starts from an empty list.
    bool had_peers = false;
    {
        std::lock_guard<std::mutex> lock(peers_mutex_);
        had_peers = !peers_.records.empty();
        peers_.records.clear();
    }
    peers_notice_pending_ = false;
    if (had_peers) notify_peers_changed();
    // An invalid key keeps the network off rather than falling back to open mode.
    const bool sealed_started = start_sealed_mode(settings.site_key, wall_clock_, sealed_, error_text);
    {
        // The sealed wire holds the key from here on; the engine's copy of its text goes.
        std::lock_guard<std::mutex> lock(identity_mutex_);
        secure_wipe(settings_.site_key);
    }
    if (!sealed_started) return false;

    if (!socket_library_start()) {
        error_text = L"WSAStartup failed.";
        return false;
    }
    library_started_ = true;
    instance_id_ = make_instance_id();

    SocketHolder udp(open_udp_socket());
    if (!udp.valid()) {
        error_text = L"Could not create UDP socket.";
        stop();
        return false;
    }
    set_reuse_address(udp.get());
    set_broadcast(udp.get());
    // Room for a burst of datagrams while the receiver is not scheduled (a flood, a busy
    // machine), so that the rooms' own announcements are not lost with it.
    set_receive_buffer(udp.get(), DISCOVERY_RECEIVE_BUFFER_BYTES);
    if (!bind_ipv4(udp.get(), IPV4_ANY, settings_.discovery_port)) {
        start_failure_ = static_cast<int>(StartFailure::discovery_port_taken);
        error_text = L"Could not bind UDP discovery port " + port_text(settings_.discovery_port) +
                     L" (is another copy running?).";
        udp.reset();
        stop();
        return false;
    }
    // The receiver waits for readiness before each receive, so the socket itself never blocks.
    set_non_blocking(udp.get(), true);
    udp_socket_ = udp.release();

    SocketHolder tcp(open_tcp_socket());
    if (!tcp.valid()) {
        error_text = L"Could not create TCP socket.";
        stop();
        return false;
    }
    set_exclusive_port(tcp.get());
    if (!bind_ipv4(tcp.get(), IPV4_ANY, settings_.message_port)) {
        start_failure_ = static_cast<int>(StartFailure::message_port_taken);
        error_text = L"Could not bind TCP message port " + port_text(settings_.message_port) +
                     L" (is another copy running?).";
        tcp.reset();
        stop();
        return false;
    }
    if (!listen_max_backlog(tcp.get())) {
        error_text = L"Could not listen on TCP message port.";
        tcp.reset();
        stop();
        return false;
    }
    // A connection that goes away between readiness and accept must not block the loop.
    set_non_blocking(tcp.get(), true);
    tcp_socket_ = tcp.release();

    // Without a wake socket a receiver falls back to waiting in slices.
    discovery_wake_.open();
    receiver_wake_.open();

    peers_notice_pending_ = false;
    refresh_broadcast_addresses();
    running_ = true;
    if (!start_threads()) {
        running_ = false;  // no HELLO went out, so stop() must not say BYE
        error_text = L"Could not start the network threads.";
        stop();
        return false;
    }
    seen_sender_->resume();
    start_failure_ = static_cast<int>(StartFailure::none);
    broadcast_discovery("HELLO");
    return true;
}

bool NetworkEngine::start_threads() {
    try {
        discovery_thread_ = std::thread(&NetworkEngine::discovery_receiver_loop, this);
        receiver_thread_ = std::thread(&NetworkEngine::message_receiver_loop, this);
        heartbeat_thread_ = std::thread(&NetworkEngine::heartbeat_loop, this);
        return true;
    } catch (...) {
        return false;
    }
}

void NetworkEngine::stop() {
    const bool was_running = running_.exchange(false);
    if (was_running) broadcast_discovery("BYE");
    seen_sender_->stop();

    {
        std::lock_guard<std::mutex> lock(pause_mutex_);
    }
    pause_wake_.notify_all();
    // The receivers wait on the wake socket beside their own; the handles stay open
    // until the threads are gone.
    wake_receivers();
    shutdown_socket(udp_socket_.load());
    shutdown_socket(tcp_socket_.load());

    if (discovery_thread_.joinable()) discovery_thread_.join();
    if (receiver_thread_.joinable()) receiver_thread_.join();
    if (heartbeat_thread_.joinable()) heartbeat_thread_.join();

    {
        std::lock_guard<std::mutex> lock(udp_send_mutex_);
        close_socket(udp_socket_.exchange(INVALID_SOCKET_HANDLE));
    }
    close_socket(tcp_socket_.exchange(INVALID_SOCKET_HANDLE));
    discovery_wake_.close();
    receiver_wake_.close();

    if (library_started_) {
        socket_library_stop();
        library_started_ = false;
    }
}

void NetworkEngine::set_identity(const std::string& user, const std::string& room) {
    {
        std::lock_guard<std::mutex> lock(identity_mutex_);
        if (settings_.user == user && settings_.room == room) return;
        settings_.user = user;
        settings_.room = room;
    }
    if (running_.load()) request_extra_heartbeat();
}

void NetworkEngine::copy_identity(std::string& user, std::string& room) const {
    std::lock_guard<std::mutex> lock(identity_mutex_);
    user = settings_.user;
    room = settings_.room;
}

void NetworkEngine::peers_notice_handled() { peers_notice_pending_ = false; }

void NetworkEngine::notify_peers_changed() {
    if (!window_ || peers_notice_pending_.exchange(true)) return;
    if (!post_engine_event(window_, WM_APP_PEERS_CHANGED, nullptr)) peers_notice_pending_ = false;
}

void NetworkEngine::wake_receivers() {
    discovery_wake_.signal();
    receiver_wake_.signal();
}

int NetworkEngine::idle_wait_ms(const WakeSignal& wake) { return wake.valid() ? -1 : 200; }

PeerSnapshot NetworkEngine::snapshot_peers() const {
    PeerSnapshot snapshot;
    {
        std::lock_guard<std::mutex> lock(peers_mutex_);
        snapshot = copy_peers(peers_);
    }
    sort_snapshot(snapshot);
    return snapshot;
}

}  // namespace quillnet
