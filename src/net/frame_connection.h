// One accepted connection on the message port, from its first byte to its close: the
// frame line being gathered under the protocol's limits, the acknowledgement, and the
// short wait for the sender to close first. The receiver keeps several of these open
// at once, so a silent or trickling sender no longer holds up everyone else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "net/events.h"
#include "net/frame_rules.h"
#include "net/socket_shim.h"
#include "net/wire.h"

namespace quillnet {

// Each byte of a frame may take this long to arrive.
constexpr int FRAME_BYTE_TIMEOUT_MS = 3000;
// Bounds the whole frame read, so a sender trickling bytes cannot keep a connection for
// longer than this.
constexpr int FRAME_TOTAL_TIMEOUT_MS = 5000;
// After acknowledging, give the sender a moment to close first: the side that closes
// first keeps the connection in TIME_WAIT, and that should not be our listening port.
constexpr int SENDER_CLOSE_WAIT_MS = 1000;

enum class FrameStage {
    reading,   // gathering the frame line
    draining,  // acknowledged; reading and discarding until the sender closes
    done,      // ready to be closed and its message (if any) posted
};

struct FrameConnection {
    FrameConnection(SocketHandle accepted, std::string address, std::int64_t now)
        : socket(accepted), peer_address(std::move(address)), opened_ms(now), last_byte_ms(now) {}

    SocketHolder socket;
    std::string peer_address;  // dotted IPv4 of the sender
    LineReader reader{FRAME_READ_LIMIT};
    std::int64_t opened_ms;
    std::int64_t last_byte_ms;
    std::int64_t drain_until_ms = 0;
    FrameStage stage = FrameStage::reading;
    std::unique_ptr<IncomingMessage> message;  // posted once the connection is closed
};

// The connection's socket was reported readable: takes what has arrived (never anything
// after the first line feed while reading) and moves the connection on when its line is
// complete or the sender closed. buffer is scratch space of any size above zero.
void on_frame_readable(FrameConnection& connection, const FrameContext& context, std::vector<char>& buffer,
                       std::int64_t now);
// Applies the time limits of the current stage.
void on_frame_clock(FrameConnection& connection, const FrameContext& context, std::int64_t now);
// Ends the connection early (the receiver needs its place, or is stopping): whatever
// has already arrived is read and handled like a frame that timed out, then the
// connection is done.
void cut_frame_short(FrameConnection& connection, const FrameContext& context, std::vector<char>& buffer,
                     std::int64_t now);
// The next moment on_frame_clock has something to do.
std::int64_t frame_deadline(const FrameConnection& connection);

}  // namespace quillnet
