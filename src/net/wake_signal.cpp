// The receivers' wake socket with its token.
#include "net/wake_signal.h"

#include "net/crypto.h"

namespace quillnet {

namespace {

constexpr std::size_t TOKEN_BYTES = 16;
constexpr int DATAGRAMS_PER_DRAIN = 64;

}  // namespace

bool WakeSignal::open() {
    close();
    unsigned char token[TOKEN_BYTES];
    if (!crypto_random(token, sizeof token)) return false;
    token_.assign(reinterpret_cast<const char*>(token), sizeof token);
    SocketHolder wake(open_udp_socket());
    if (!wake.valid() || !bind_ipv4(wake.get(), IPV4_LOOPBACK, 0) || !set_non_blocking(wake.get(), true)) return false;
    socket_ = wake.release();
    return true;
}

void WakeSignal::close() { close_socket(socket_.exchange(INVALID_SOCKET_HANDLE)); }

void WakeSignal::signal() {
    const SocketHandle wake = socket_.load();
    if (wake == INVALID_SOCKET_HANDLE) return;
    send_datagram(wake, token_.data(), token_.size(), IPV4_LOOPBACK, local_port(wake));
}

bool WakeSignal::drain() {
    const SocketHandle wake = socket_.load();
    if (wake == INVALID_SOCKET_HANDLE) return false;
    bool woken = false;
    // One byte more than the token, so a longer datagram that starts with it is no match.
    char buffer[TOKEN_BYTES + 1];
    for (int i = 0; i < DATAGRAMS_PER_DRAIN && wait_readable(wake, 0) == WaitResult::ready; ++i) {
        std::uint32_t source = 0;
        const int got = receive_datagram(wake, buffer, sizeof buffer, source);
        // An oversized datagram is consumed and reported as a failure: still drained.
        if (got == static_cast<int>(TOKEN_BYTES) && token_.compare(0, TOKEN_BYTES, buffer, TOKEN_BYTES) == 0)
            woken = true;
    }
    return woken;
}

}  // namespace quillnet
