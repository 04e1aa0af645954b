// One accepted connection on the message port, from its first byte to its close: the
// frame line being gathered under the protocol's limits, the post to the window, the
// acknowledgement, and the short wait for the sender to close first. The receiver keeps
// several of these open at once, so a silent or trickling sender holds up nobody else.
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
// A sender that does not close in time is reset instead (see peer_closed).
constexpr int SENDER_CLOSE_WAIT_MS = 1000;

enum class FrameStage {
    reading,   // gathering the frame line
    draining,  // posted and acknowledged; reading and discarding until the sender closes
    done,      // ready to be closed
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
    // The sender closed its side first. Only then is the close an orderly one; every
    // other close is abortive, so that no TIME_WAIT stays on the message port (with the
    // exclusive bind, Windows would refuse the port to the next start for minutes).
    bool peer_closed = false;
};

// Closes the connection's socket: orderly when the sender closed first, else abortive.
void close_frame_connection(FrameConnection& connection);

// The connection's socket was reported readable: takes what has arrived (never anything
// after the first line feed while reading) and moves the connection on when its line is
// complete or the sender closed. A line ended by its line feed is posted and then
// acknowledged (a post that fails is not); a line cut by the read limit, a stall or
// the sender's close is posted but never acknowledged. buffer is scratch space of any
// size above zero.
void on_frame_readable(FrameConnection& connection, const FrameContext& context, std::vector<char>& buffer,
                       std::int64_t now);
// Applies the time limits of the current stage.
void on_frame_clock(FrameConnection& connection, const FrameContext& context, std::int64_t now);
// Ends the connection early (the receiver needs its place): whatever has already
// arrived is read and handled like a frame that timed out, then the connection is done.
void cut_frame_short(FrameConnection& connection, const FrameContext& context, std::vector<char>& buffer,
                     std::int64_t now);
// The next moment on_frame_clock has something to do.
std::int64_t frame_deadline(const FrameConnection& connection);

}  // namespace quillnet
