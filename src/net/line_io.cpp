// Line reading over a socket with per-byte and whole-read time limits.
#include "net/line_io.h"

#include <algorithm>
#include <cstring>

#include "net/clock.h"
#include "net/wire.h"

namespace quillnet {

std::string read_line_from(SocketHandle socket, std::size_t limit, int per_byte_ms, int total_ms,
                           bool* over_time) {
    if (over_time) *over_time = false;
    LineReader reader(limit);
    const std::int64_t started = milliseconds_since_start();
    char buffer[4096];
    while (!reader.complete) {
        int wait_ms = per_byte_ms;
        if (total_ms > 0) {
            const std::int64_t left = total_ms - (milliseconds_since_start() - started);
            if (left <= 0) {
                if (over_time) *over_time = true;
                break;
            }
            wait_ms = static_cast<int>(std::min<std::int64_t>(wait_ms, left));
        }
        if (wait_readable(socket, wait_ms) != WaitResult::ready) {
            if (over_time && total_ms > 0 && milliseconds_since_start() - started >= total_ms) *over_time = true;
            break;
        }
        const std::size_t want = std::min(sizeof buffer, reader.limit - reader.consumed);
        const int peeked = receive_bytes(socket, buffer, want, true);
        if (peeked <= 0) break;
        const void* terminator = std::memchr(buffer, LINE_TERMINATOR, static_cast<std::size_t>(peeked));
        const std::size_t take =
            terminator ? static_cast<std::size_t>(static_cast<const char*>(terminator) - buffer) + 1
                       : static_cast<std::size_t>(peeked);
        const int taken = receive_bytes(socket, buffer, take, false);
        if (taken <= 0) break;
        for (int i = 0; i < taken && !reader.feed(buffer[i]); ++i) {
        }
    }
    return reader.line;
}

bool send_all(SocketHandle socket, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const int sent = send_bytes(socket, data.data() + done, data.size() - done);
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

void await_peer_close(SocketHandle socket, int timeout_ms) {
    const std::int64_t deadline = milliseconds_since_start() + timeout_ms;
    char buffer[512];
    for (;;) {
        const std::int64_t left = deadline - milliseconds_since_start();
        if (left <= 0) return;
        if (wait_readable(socket, static_cast<int>(left)) != WaitResult::ready) return;
        if (receive_bytes(socket, buffer, sizeof buffer, false) <= 0) return;
    }
}

}  // namespace quillnet
