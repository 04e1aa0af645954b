// Reading one frame per connection without blocking, so that the receiver can serve
// many connections at once while keeping every per-connection limit.
#include "net/frame_connection.h"

#include <algorithm>
#include <cstring>

#include "net/frame_rules.h"
#include "net/sealed_engine.h"

namespace quillnet {

namespace {

// The line is complete, cut by a limit, or the sender stopped: decide, post, and only
// for a whole line whose message reached the window, acknowledge and wait for the
// sender to close; otherwise the connection is done.
void finish_line(FrameConnection& connection, const FrameContext& context, std::int64_t now) {
    FrameOutcome outcome = judge_frame_line(connection.reader.line, context, connection.peer_address);
    connection.stage = FrameStage::done;
    const bool whole = connection.reader.terminated;
    bool posted = false;
    if (!outcome.loop_line.empty()) {
        // SEEN and CLEAR count only whole; handled here, then acknowledged.
        if (!whole) return;
        if (context.loop_frames) context.loop_frames(outcome.loop_line, connection.peer_address);
        posted = true;
    } else if (outcome.message) {
        // Fields 5 and 6 of a cut frame may be cut themselves, so they do not count.
        if (!whole) {
            outcome.message->reply_port = 0;
            outcome.message->urgent = false;
        }
        outcome.message->arrived_ms = now;
    }
    if (outcome.message && context.window &&
        post_engine_event(context.window, WM_APP_MESSAGE_RECEIVED, outcome.message.get())) {
        outcome.message.release();  // the window owns it now
        posted = true;
    }
    // A line without its line feed was cut (the recipient shows a cut text), and a page
    // the window never got must not look delivered to its sender.
    const std::string& ack = outcome.acknowledgement;
    if (ack.empty() || !posted || !whole) return;
    // One send call; the socket is non-blocking, so a sender that never reads cannot
    // hold the receiver here.
    if (send_bytes(connection.socket.get(), ack.data(), ack.size()) == static_cast<int>(ack.size())) {
        connection.stage = FrameStage::draining;
        connection.drain_until_ms = now + SENDER_CLOSE_WAIT_MS;
    }
}

}  // namespace

void close_frame_connection(FrameConnection& connection) {
    if (!connection.peer_closed && connection.socket.valid()) set_abortive_close(connection.socket.get());
    connection.socket.reset();
}

void on_frame_readable(FrameConnection& connection, const FrameContext& context, std::vector<char>& buffer,
                       std::int64_t now) {
    const SocketHandle socket = connection.socket.get();
    if (connection.stage == FrameStage::draining) {
        const int got = receive_bytes(socket, buffer.data(), buffer.size(), false);
        if (got <= 0) {
            connection.peer_closed = got == 0;
            connection.stage = FrameStage::done;
        }
        return;
    }
    if (connection.stage != FrameStage::reading) return;
    LineReader& reader = connection.reader;
    const std::size_t want = std::min(buffer.size(), reader.limit - reader.consumed);
    // Peek first and take only up to the first line feed: whatever follows the frame
    // stays on the socket and is never read as part of it.
    const int peeked = receive_bytes(socket, buffer.data(), want, true);
    if (peeked <= 0) {  // closed by the sender, or failed: the line is what arrived
        connection.peer_closed = peeked == 0;
        finish_line(connection, context, now);
        return;
    }
    const void* terminator = std::memchr(buffer.data(), LINE_TERMINATOR, static_cast<std::size_t>(peeked));
    const std::size_t take = terminator ? static_cast<std::size_t>(static_cast<const char*>(terminator) -
                                                                   buffer.data()) + 1
                                        : static_cast<std::size_t>(peeked);
    const int taken = receive_bytes(socket, buffer.data(), take, false);
    if (taken <= 0) {
        finish_line(connection, context, now);
        return;
    }
    for (int i = 0; i < taken && !reader.feed(buffer[static_cast<std::size_t>(i)]); ++i) {
    }
    connection.last_byte_ms = now;
    if (reader.complete) finish_line(connection, context, now);
}

void on_frame_clock(FrameConnection& connection, const FrameContext& context, std::int64_t now) {
    if (connection.stage == FrameStage::reading) {
        if (now - connection.last_byte_ms >= FRAME_BYTE_TIMEOUT_MS ||
            now - connection.opened_ms >= FRAME_TOTAL_TIMEOUT_MS) {
            finish_line(connection, context, now);
        }
    } else if (connection.stage == FrameStage::draining && now >= connection.drain_until_ms) {
        connection.stage = FrameStage::done;
    }
}

void cut_frame_short(FrameConnection& connection, const FrameContext& context, std::vector<char>& buffer,
                     std::int64_t now) {
    // Every read takes at least one byte and the line ends at FRAME_READ_LIMIT bytes, so
    // this ends even when the sender keeps sending.
    while (connection.stage == FrameStage::reading && wait_readable(connection.socket.get(), 0) == WaitResult::ready) {
        on_frame_readable(connection, context, buffer, now);
    }
    if (connection.stage == FrameStage::reading) finish_line(connection, context, now);
    connection.stage = FrameStage::done;
}

std::int64_t frame_deadline(const FrameConnection& connection) {
    switch (connection.stage) {
        case FrameStage::reading:
            return std::min(connection.last_byte_ms + FRAME_BYTE_TIMEOUT_MS,
                            connection.opened_ms + FRAME_TOTAL_TIMEOUT_MS);
        case FrameStage::draining:
            return connection.drain_until_ms;
        case FrameStage::done:
            break;
    }
    return connection.opened_ms;
}

}  // namespace quillnet
