// The message receiver: accepts connections on the message port and reads one frame from
// each, acknowledging it and handing it to the window. Several connections are read at
// the same time, so one silent or trickling sender delays nobody else.
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "net/clock.h"
#include "net/engine.h"
#include "net/frame_connection.h"

namespace quillnet {

namespace {

constexpr int WAIT_SLICE_MS = 200;
// Most connections read at the same time. When another arrives while every place is
// taken, the connection open longest is cut short (handled with what it has sent), so a
// storm of idle connections cannot shut real senders out; a real frame follows its
// connection at once and is read long before it could become the oldest.
constexpr std::size_t MAX_OPEN_FRAMES = 64;
// New connections taken per pass: at most half the places, so that every accepted
// connection is read at least once before it can be cut short.
constexpr std::size_t ACCEPTS_PER_PASS = MAX_OPEN_FRAMES / 2;
constexpr std::size_t READ_CHUNK = 16384;

using OpenFrames = std::vector<std::unique_ptr<FrameConnection>>;

// Closes every finished connection, then posts its message (in the order accepted).
void close_finished(OpenFrames& open, WindowHandle window) {
    for (auto it = open.begin(); it != open.end();) {
        if ((*it)->stage != FrameStage::done) {
            ++it;
            continue;
        }
        std::unique_ptr<IncomingMessage> message = std::move((*it)->message);
        it = open.erase(it);  // closes the socket
        if (message) post_or_free(window, WM_APP_MESSAGE_RECEIVED, message.release());
    }
}

// Makes one place: an acknowledged connection waiting for its sender to close if there
// is one, otherwise the oldest.
void make_room(OpenFrames& open, const FrameContext& context, std::vector<char>& buffer, std::int64_t now,
               WindowHandle window) {
    auto victim = std::find_if(open.begin(), open.end(),
                               [](const auto& c) { return c->stage == FrameStage::draining; });
    if (victim == open.end()) victim = open.begin();
    cut_frame_short(**victim, context, buffer, now);
    close_finished(open, window);
}

void accept_pending(SocketHandle listener, OpenFrames& open, const FrameContext& context, std::vector<char>& buffer,
                    std::int64_t now, WindowHandle window) {
    for (std::size_t n = 0; n < ACCEPTS_PER_PASS; ++n) {
        std::uint32_t peer = 0;
        SocketHolder accepted(accept_connection(listener, peer));
        if (!accepted.valid()) return;
        // Reads only follow readiness; a non-blocking socket can never stall the loop.
        set_non_blocking(accepted.get(), true);
        if (open.size() >= MAX_OPEN_FRAMES) make_room(open, context, buffer, now, window);
        open.push_back(std::make_unique<FrameConnection>(accepted.release(), format_ipv4(peer), now));
    }
}

}  // namespace

void NetworkEngine::message_receiver_loop() {
    const SocketHandle listener = tcp_socket_.load();
    const FrameContext context{instance_id_, settings_.flags, sealed_.get(), &notices_};
    OpenFrames open;
    std::vector<SocketHandle> handles;
    std::vector<unsigned char> ready;
    std::vector<char> buffer;
    try {
        open.reserve(MAX_OPEN_FRAMES);
        handles.reserve(MAX_OPEN_FRAMES + 1);
        ready.reserve(MAX_OPEN_FRAMES + 1);
        buffer.resize(READ_CHUNK);
    } catch (...) {
        return;  // no memory for the receiver at all; nothing may escape the thread
    }
    for (;;) {
        // After stop() nothing new is accepted, but connections already open are still
        // read to their end, acknowledged and posted.
        const bool accepting = running_.load();
        if (!accepting && open.empty()) return;
        try {
            handles.clear();
            if (accepting) handles.push_back(listener);
            for (const auto& c : open) handles.push_back(c->socket.get());
            ready.assign(handles.size(), 0);
            std::int64_t now = milliseconds_since_start();
            std::int64_t wait_ms = WAIT_SLICE_MS;
            for (const auto& c : open) wait_ms = std::min(wait_ms, std::max<std::int64_t>(0, frame_deadline(*c) - now));
            if (wait_readable_any(handles.data(), ready.data(), handles.size(), static_cast<int>(wait_ms)) < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            now = milliseconds_since_start();
            const std::size_t first = accepting ? 1 : 0;
            for (std::size_t i = 0; i < open.size(); ++i) {
                if (ready[first + i]) on_frame_readable(*open[i], context, buffer, now);
                on_frame_clock(*open[i], context, now);
            }
            close_finished(open, window_);
            if (accepting && ready[0]) accept_pending(listener, open, context, buffer, now, window_);
        } catch (...) {
            // Out of memory in one pass: the connections stay open and are tried again.
        }
    }
}

}  // namespace quillnet
