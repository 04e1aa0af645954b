// The LAN engine: discovery, peer table, message receiver and acknowledged delivery.
// It reports to the window only through three posted window messages.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"
#include "net/engine_diagnostics.h"
#include "net/events.h"
#include "net/loop_rules.h"
#include "net/notices.h"
#include "net/own_flags.h"
#include "net/peer_table.h"
#include "net/sealed_wire.h"
#include "net/socket_shim.h"
#include "net/wake_signal.h"
#include "net/wire.h"

namespace quillnet {

using InstanceId = std::string;
using MessageId = std::string;

class SentPages;
class SeenSender;

enum class RaiseResult { raised, not_kept };

// Extra HEARTBEATs after changes of the own flags are at least this far apart.
constexpr std::int64_t EXTRA_HEARTBEAT_GAP_MS = 250;

class NetworkEngine {
public:
    NetworkEngine();
    ~NetworkEngine();
    NetworkEngine(const NetworkEngine&) = delete;
    NetworkEngine& operator=(const NetworkEngine&) = delete;

    // Opens the sockets, starts the three threads and announces HELLO. On failure the
    // engine is left stopped and error_text holds the text shown to the user.
    bool start(const Settings& settings, WindowHandle window, std::wstring& error_text);
    // Sends BYE, closes the sockets and joins the threads; safe to call repeatedly.
    void stop();
    // Chooses the recipients (empty list: everyone), numbers the message and hands it
    // to the delivery workers. attempted receives the recipient count. The frame names
    // the own message port for SEEN replies and says whether the page is urgent; a MSG,
    // QUICK or FLAG page with recipients is remembered for SEEN and escalation.
    MessageId send_message(const std::vector<InstanceId>& recipients, const std::string& kind,
                           const std::string& body, int& attempted, bool urgent = false);

    // Raises label on this copy (or makes it the newest again, age 0); not_kept when
    // MAX_OWN_FLAGS are raised and label is not among them. Every change sends the
    // rate-limited extra HEARTBEAT.
    RaiseResult raise_flag(const std::string& label);
    // Removes an own flag by its announced label; false when it is not raised.
    bool clear_own_flag(const std::string& announced_label);
    // The own raised flags, oldest raise first. They belong to the engine object and
    // survive stop() and start().
    std::vector<OwnFlag> own_flags() const;
    // Sends CLEAR for owner's flag label as a page to that one peer; the result comes
    // as a WM_APP_DELIVERY_RESULT with the returned id (attempted 0 when the owner is
    // not listed or does not speak L1).
    MessageId clear_peer_flag(const InstanceId& owner, const std::string& label, std::int64_t age_shown_s,
                              int& attempted);
    // Sends SEEN for each page the rules allow (the peer table decides), at most
    // SEEN_IN_FLIGHT at a time, each tried twice more when not acknowledged.
    void acknowledge_pages(const std::vector<SeenRequest>& pages);
    // The window calls this when it takes a WM_APP_PEERS_CHANGED notice, before it
    // reads the peers: at most one notice waits in its queue at a time, and the next
    // change after this call posts a new one.
    void peers_notice_handled();
    PeerSnapshot snapshot_peers() const;
    void set_identity(const std::string& user, const std::string& room);
    // Seconds after which an urgent page nobody has seen is reported to the window (0:
    // never); takes effect at the next check, also while the engine runs.
    void set_urgent_escalate_s(int seconds) { urgent_escalate_s_ = seconds; }
    void broadcast_discovery(const char* kind);

    // For tests and diagnostics.
    // The network check's snapshot (engine_diagnostics.cpp).
    EngineDiagnostics diagnostics() const;
    const InstanceId& instance_id() const { return instance_id_; }
    bool running() const { return running_.load(); }
    // The clock that stamps and judges sealed lines (tests set one that is off); takes
    // effect at the next start.
    void set_wall_clock(WallClock clock) { wall_clock_ = std::move(clock); }

private:
    // The user and room as they are now (set_identity may change them at any time).
    void copy_identity(std::string& user, std::string& room) const;
    void discovery_receiver_loop();
    void message_receiver_loop();
    void heartbeat_loop();
    // Asks the heartbeat thread for an extra HEARTBEAT (at once, or at the end of the
    // EXTRA_HEARTBEAT_GAP_MS after the previous extra one).
    void request_extra_heartbeat();
    // A SEEN or CLEAR frame that ended with its line feed, from address (on the
    // receiver thread, before its acknowledgement goes back).
    void handle_loop_frame(const std::string& line, const std::string& address);
    void handle_clear(const ParsedLine& frame, const std::string& address);
    void handle_seen(const ParsedLine& frame, const std::string& address);
    // Posts the flags of departed peers.
    void post_flags_gone(const std::vector<PeerRecord>& departed);
    // Runs the escalation checks that are due; returns the next moment one is due
    // (or -1 when none is waiting).
    std::int64_t run_escalation_checks(std::int64_t now);
    MessageId next_message_id();
    void handle_datagram(const char* data, std::size_t size, std::uint32_t source);
    bool start_threads();
    // Posts WM_APP_PEERS_CHANGED unless one is already waiting for the window.
    void notify_peers_changed();
    // Asks the system for the adapters' broadcast addresses (once a heartbeat at most).
    void refresh_broadcast_addresses();
    // Sends each receiver its wake, which ends its wait.
    void wake_receivers();
    // How long a receiver may wait with nothing to do: without limit when its wake
    // socket can end the wait, else a short slice after which running_ is read again.
    static int idle_wait_ms(const WakeSignal& wake);

    Settings settings_;
    // settings_.urgent_escalate_s as the heartbeat thread reads it; the window may change it.
    std::atomic<int> urgent_escalate_s_{0};
    WindowHandle window_ = nullptr;
    InstanceId instance_id_;
    // Closed only after every thread that waits on them has been joined, so no thread
    // ever uses a closed (possibly reused) handle.
    std::atomic<SocketHandle> udp_socket_{INVALID_SOCKET_HANDLE};
    std::atomic<SocketHandle> tcp_socket_{INVALID_SOCKET_HANDLE};
    // One wake socket per receiver thread, which waits on it beside its own sockets, so
    // it sleeps until there is traffic or stop() wakes it.
    WakeSignal discovery_wake_;
    WakeSignal receiver_wake_;
    std::thread discovery_thread_;
    std::thread receiver_thread_;
    std::thread heartbeat_thread_;
    std::atomic<bool> running_{false};
    // Set while a WM_APP_PEERS_CHANGED is waiting for the window, which clears it
    // through peers_notice_handled(); a storm of changes then posts one notice.
    std::atomic<bool> peers_notice_pending_{false};
    mutable std::mutex peers_mutex_;
    PeerTable peers_;
    mutable std::mutex identity_mutex_;
    std::atomic<std::uint64_t> message_sequence_{0};
    bool library_started_ = false;
    // Serialises sending on the UDP socket with stop() closing it, so no thread ever
    // sends on a handle that has been closed (and possibly reused), and orders every
    // announcement against the BYE. Also guards broadcast_addresses_.
    std::mutex udp_send_mutex_;
    std::vector<std::uint32_t> broadcast_addresses_;
    // Lets stop() end the heartbeat thread's sleep until its next heartbeat.
    std::mutex pause_mutex_;
    std::condition_variable pause_wake_;
    // Under pause_mutex_: an extra HEARTBEAT is waiting, and when the last one went.
    bool extra_pending_ = false;
    std::int64_t last_extra_ms_ = -1000000;
    OwnFlags own_flags_;
    // Shared with delivery jobs, which may end after the engine.
    std::shared_ptr<SentPages> sent_pages_;
    std::shared_ptr<SeenSender> seen_sender_;
    // Sealed mode: null in open mode. Delivery jobs keep their own reference.
    std::shared_ptr<SealedWire> sealed_;
    WallClock wall_clock_;
    NoticeBoard notices_;
    // For diagnostics(): the last two announcements sent, the last of this copy's own
    // heard back (milliseconds since system start, -1 never) and why start failed.
    std::atomic<std::int64_t> last_announced_ms_{-1};
    std::atomic<std::int64_t> previously_announced_ms_{-1};
    std::atomic<std::int64_t> own_heard_ms_{-1};
    std::atomic<int> start_failure_{0};
};

}  // namespace quillnet
