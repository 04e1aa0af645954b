// Reading one line from a connected socket under the protocol's limits, and sending a
// whole buffer.
#pragma once

#include <cstddef>
#include <string>

#include "net/socket_shim.h"

namespace quillnet {

// Gathers one line (LineReader rules) from socket. Each wait for more bytes lasts at
// most per_byte_ms; with total_ms > 0 the whole read also ends after total_ms. Bytes
// are peeked first and only those up to the first line feed are taken off the socket,
// so nothing after the line is consumed.
// over_time, when given, is set when the whole-read limit ended the read before the line
// was complete.
std::string read_line_from(SocketHandle socket, std::size_t limit, int per_byte_ms, int total_ms,
                           bool* over_time = nullptr);

// Repeats send calls until every byte is sent; false when a call sends nothing.
bool send_all(SocketHandle socket, const std::string& data);

// Reads and discards until the peer closes, an error, or timeout_ms has passed.
void await_peer_close(SocketHandle socket, int timeout_ms);

}  // namespace quillnet
