// The message receiver: accepts connections on the message port and reads one frame from
// each, posting it to the window and acknowledging it. Several connections are read at
// the same time, so one silent or trickling sender delays nobody else. With nothing to
// read and no time limit running, the thread sleeps until traffic or stop().
#include <algorithm>
#include <memory>
#include <vector>

#include "net/clock.h"
#include "net/engine.h"
#include "net/frame_connection.h"

namespace quillnet {

namespace {

// Most connections read at the same time. When another arrives while every place is
// taken, the connection open longest is cut short (handled with what it has sent), so a
// storm of idle connections cannot shut real senders out; a real frame follows its
// connection at once and is read long before it could become the oldest.
constexpr std::size_t MAX_OPEN_FRAMES = 64;
// New connections taken per pass: at most half the places, so that every accepted
// connection is read at least once before it can be cut short.
constexpr std::size_t ACCEPTS_PER_PASS = MAX_OPEN_FRAMES / 2;
constexpr std::size_t READ_CHUNK = 16384;
// When accept itself fails (out of descriptors or buffers) the waiting connection keeps
// the listener readable; the listener is then left out of the wait for a while, doubling
// up to the longest pause, instead of being retried at full speed.
constexpr std::int64_t ACCEPT_PAUSE_FIRST_MS = 50;
constexpr std::int64_t ACCEPT_PAUSE_LONGEST_MS = 1000;

using OpenFrames = std::vector<std::unique_ptr<FrameConnection>>;

void close_finished(OpenFrames& open) {
    for (auto it = open.begin(); it != open.end();) {
        if ((*it)->stage != FrameStage::done) {
            ++it;
            continue;
        }
        close_frame_connection(**it);
        it = open.erase(it);
    }
}

// Makes one place: an acknowledged connection waiting for its sender to close if there
// is one, otherwise the oldest.
void make_room(OpenFrames& open, const FrameContext& context, std::vector<char>& buffer, std::int64_t now) {
    auto victim = std::find_if(open.begin(), open.end(),
                               [](const auto& c) { return c->stage == FrameStage::draining; });
    if (victim == open.end()) victim = open.begin();
    cut_frame_short(**victim, context, buffer, now);
    close_finished(open);
}

// Takes waiting connections; false when accept failed for a reason other than an
// empty queue.
bool accept_pending(SocketHandle listener, OpenFrames& open, const FrameContext& context, std::vector<char>& buffer,
                    std::int64_t now) {
    for (std::size_t n = 0; n < ACCEPTS_PER_PASS; ++n) {
        std::uint32_t peer = 0;
        bool failed = false;
        // Reads only follow readiness; a non-blocking socket can never stall the loop.
        SocketHolder accepted(accept_non_blocking(listener, peer, failed));
        if (!accepted.valid()) return !failed;
        if (open.size() >= MAX_OPEN_FRAMES) make_room(open, context, buffer, now);
        open.push_back(std::make_unique<FrameConnection>(accepted.release(), format_ipv4(peer), now));
        // A sender writes its frame right after connecting, so it has usually arrived
        // by now: read it at once rather than after another wait.
        FrameConnection& fresh = *open.back();
        if (wait_readable(fresh.socket.get(), 0) == WaitResult::ready) on_frame_readable(fresh, context, buffer, now);
    }
    return true;
}

// Once stop() has begun the window may be gone: frames not yet finished are closed
// without an acknowledgement, at once, whatever their senders do.
void abandon_all(OpenFrames& open) {
    for (auto& c : open) close_frame_connection(*c);
    open.clear();
}

}  // namespace

void NetworkEngine::message_receiver_loop() {
    const SocketHandle listener = tcp_socket_.load();
    const SocketHandle wake = wake_socket_.load();
    const FrameContext context{instance_id_, settings_.flags, sealed_.get(), &notices_, window_,
                               [this](const std::string& line, const std::string& address) {
                                   handle_loop_frame(line, address);
                               }};
    OpenFrames open;
    std::vector<SocketHandle> handles;
    std::vector<unsigned char> ready;
    std::vector<char> buffer;
    try {
        open.reserve(MAX_OPEN_FRAMES);
        handles.reserve(MAX_OPEN_FRAMES + 2);
        ready.reserve(MAX_OPEN_FRAMES + 2);
        buffer.resize(READ_CHUNK);
    } catch (...) {
        return;  // no memory for the receiver at all; nothing may escape the thread
    }
    std::int64_t accept_paused_until = 0;
    std::int64_t accept_pause_ms = ACCEPT_PAUSE_FIRST_MS;
    while (running_) {
        try {
            std::int64_t now = milliseconds_since_start();
            const bool accepting = now >= accept_paused_until;
            // Order: the wake socket (when there is one), the listener (when accepting),
            // then the open connections.
            handles.clear();
            if (wake != INVALID_SOCKET_HANDLE) handles.push_back(wake);
            const std::size_t listener_at = handles.size();
            if (accepting) handles.push_back(listener);
            const std::size_t first = handles.size();
            for (const auto& c : open) handles.push_back(c->socket.get());
            ready.assign(handles.size(), 0);
            std::int64_t wait_ms = idle_wait_ms();
            auto until = [&](std::int64_t moment) {
                const std::int64_t left = std::max<std::int64_t>(0, moment - now);
                wait_ms = wait_ms < 0 ? left : std::min(wait_ms, left);
            };
            for (const auto& c : open) until(frame_deadline(*c));
            if (!accepting) until(accept_paused_until);
            if (wait_readable_any(handles.data(), ready.data(), handles.size(), static_cast<int>(wait_ms)) < 0) {
                // The wait itself failed: leave the listener out for a moment, as for a
                // failing accept, so the loop cannot spin.
                accept_paused_until = milliseconds_since_start() + ACCEPT_PAUSE_FIRST_MS;
                continue;
            }
            if (!running_) break;
            now = milliseconds_since_start();
            for (std::size_t i = 0; i < open.size(); ++i) {
                if (ready[first + i]) on_frame_readable(*open[i], context, buffer, now);
                on_frame_clock(*open[i], context, now);
            }
            close_finished(open);
            if (accepting && ready[listener_at]) {
                if (accept_pending(listener, open, context, buffer, now)) {
                    accept_pause_ms = ACCEPT_PAUSE_FIRST_MS;
                } else {
                    accept_paused_until = now + accept_pause_ms;
                    accept_pause_ms = std::min(accept_pause_ms * 2, ACCEPT_PAUSE_LONGEST_MS);
                }
                close_finished(open);
            }
        } catch (...) {
            // Out of memory in one pass: the connections stay open and are tried again.
        }
    }
    abandon_all(open);
}

}  // namespace quillnet
