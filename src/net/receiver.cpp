// The message receiver: accepts one connection at a time on the message port, reads one
// frame, acknowledges it and hands it to the window.
#include "net/engine.h"
#include "net/frame_rules.h"
#include "net/line_io.h"
#include "net/wire.h"

namespace quillnet {

namespace {

constexpr int WAIT_SLICE_MS = 200;
constexpr int FRAME_BYTE_TIMEOUT_MS = 3000;
// Bounds the whole frame read, so one sender trickling bytes cannot hold the receiver
// (and with it every other sender, and stop()) for longer than this.
constexpr int FRAME_TOTAL_TIMEOUT_MS = 5000;
// After acknowledging, give the sender a moment to close first: the side that closes
// first keeps the connection in TIME_WAIT, and that should not be our listening port.
constexpr int SENDER_CLOSE_WAIT_MS = 1000;

}  // namespace

void NetworkEngine::message_receiver_loop() {
    const SocketHandle listener = tcp_socket_.load();
    while (running_) {
        try {
            if (wait_readable(listener, WAIT_SLICE_MS) != WaitResult::ready) continue;
            std::uint32_t peer = 0;
            const SocketHandle connection = accept_connection(listener, peer);
            if (connection == INVALID_SOCKET_HANDLE) continue;
            serve_connection(connection, format_ipv4(peer));
        } catch (...) {
            // Out of memory while serving one connection: it has been closed; go on.
        }
    }
}

void NetworkEngine::serve_connection(SocketHandle connection, const std::string& peer_address) {
    SocketHolder holder(connection);
    // Accepted sockets inherit non-blocking mode from the listener on Windows.
    set_non_blocking(connection, false);
    set_receive_timeout_ms(connection, FRAME_BYTE_TIMEOUT_MS);
    const std::string line = read_line_from(connection, FRAME_READ_LIMIT, FRAME_BYTE_TIMEOUT_MS, FRAME_TOTAL_TIMEOUT_MS);
    FrameOutcome outcome = handle_frame_line(line, instance_id_, settings_.flags, peer_address);
    if (!outcome.acknowledgement.empty()) {
        if (send_bytes(connection, outcome.acknowledgement.data(), outcome.acknowledgement.size()) > 0) {
            await_peer_close(connection, SENDER_CLOSE_WAIT_MS);
        }
    }
    holder.reset();
    if (outcome.message) post_or_free(window_, WM_APP_MESSAGE_RECEIVED, outcome.message.release());
}

}  // namespace quillnet
