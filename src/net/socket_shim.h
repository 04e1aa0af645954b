// The few socket operations the engine needs, with one implementation on Winsock
// (socket_win.cpp) and one on BSD sockets (socket_posix.cpp). IPv4 addresses are
// passed as 32-bit numbers in host byte order; 0 is the any-address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillnet {

#if defined(_WIN32)
using SocketHandle = std::uintptr_t;  // SOCKET
constexpr SocketHandle INVALID_SOCKET_HANDLE = ~SocketHandle(0);
#else
using SocketHandle = int;
constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;
#endif

constexpr std::uint32_t IPV4_ANY = 0;
constexpr std::uint32_t IPV4_LOOPBACK = 0x7F000001;
constexpr std::uint32_t IPV4_LIMITED_BROADCAST = 0xFFFFFFFF;

// Socket library (WSAStartup 2.2 / nothing natively).
bool socket_library_start();
void socket_library_stop();

SocketHandle open_udp_socket();
SocketHandle open_tcp_socket();
void close_socket(SocketHandle socket);
// Shuts both directions down without closing the handle. Natively this ends a wait
// in poll/recv/accept on the socket at once.
void shutdown_socket(SocketHandle socket);

bool set_reuse_address(SocketHandle socket);
bool set_broadcast(SocketHandle socket);
// For the message listener: the port must belong to this socket alone.
bool set_exclusive_port(SocketHandle socket);
bool set_non_blocking(SocketHandle socket, bool non_blocking);
// Asks for a receive buffer of bytes (SO_RCVBUF); the system may give less.
bool set_receive_buffer(SocketHandle socket, int bytes);
// Makes the next close abortive (linger on, time 0): the connection is reset at once
// and leaves no TIME_WAIT behind on this side.
bool set_abortive_close(SocketHandle socket);

bool bind_ipv4(SocketHandle socket, std::uint32_t address, std::uint16_t port);
bool listen_max_backlog(SocketHandle socket);
// The port the socket is bound to, 0 when unknown.
std::uint16_t local_port(SocketHandle socket);

enum class WaitResult { ready, timed_out, failed };
WaitResult wait_readable(SocketHandle socket, int timeout_ms);
WaitResult wait_writable(SocketHandle socket, int timeout_ms);
// Waits at most timeout_ms (a negative time: without limit) until at least one of count
// sockets is readable, has hung up or failed; ready[i] becomes 1 for each such socket
// and 0 for the others. Returns how many are ready, 0 on time-out, -1 on failure. Any
// number of sockets.
int wait_readable_any(const SocketHandle* sockets, unsigned char* ready, std::size_t count, int timeout_ms);

enum class ConnectStart { connected, in_progress, failed };
// Starts connecting; on a non-blocking socket usually answers in_progress.
ConnectStart begin_connect(SocketHandle socket, std::uint32_t address, std::uint16_t port);
// The socket's pending error (SO_ERROR); -1 when it cannot be read.
int pending_socket_error(SocketHandle socket);

// One send call; never raises SIGPIPE. Returns the bytes sent or -1.
int send_bytes(SocketHandle socket, const char* data, std::size_t size);
// One receive call; with peek the bytes stay queued. Returns bytes, 0 at end of stream, -1.
int receive_bytes(SocketHandle socket, char* buffer, std::size_t size, bool peek);
int send_datagram(SocketHandle socket, const char* data, std::size_t size, std::uint32_t address,
                  std::uint16_t port);
// One datagram with its source address. A datagram longer than the buffer is consumed
// and reported as a failure (-1), on both platforms.
int receive_datagram(SocketHandle socket, char* buffer, std::size_t size, std::uint32_t& source);
// INVALID_SOCKET_HANDLE when nothing could be taken; failed is then true unless the
// reason was only that no connection was waiting.
SocketHandle accept_connection(SocketHandle listener, std::uint32_t& peer_address, bool& failed);
SocketHandle accept_connection(SocketHandle listener, std::uint32_t& peer_address);
// The same, with the new socket made non-blocking (natively in the accept call itself).
SocketHandle accept_non_blocking(SocketHandle listener, std::uint32_t& peer_address, bool& failed);

// Dotted IPv4 text <-> address (inet_pton / inet_ntop).
bool parse_ipv4(const std::string& text, std::uint32_t& address);
std::string format_ipv4(std::uint32_t address);

// Owns one socket handle and closes it when it goes out of scope.
class SocketHolder {
public:
    SocketHolder() = default;
    explicit SocketHolder(SocketHandle socket) : socket_(socket) {}
    ~SocketHolder() { reset(); }
    SocketHolder(const SocketHolder&) = delete;
    SocketHolder& operator=(const SocketHolder&) = delete;

    SocketHandle get() const { return socket_; }
    bool valid() const { return socket_ != INVALID_SOCKET_HANDLE; }
    SocketHandle release() {
        const SocketHandle s = socket_;
        socket_ = INVALID_SOCKET_HANDLE;
        return s;
    }
    void reset(SocketHandle socket = INVALID_SOCKET_HANDLE) {
        if (socket_ != INVALID_SOCKET_HANDLE) close_socket(socket_);
        socket_ = socket;
    }

private:
    SocketHandle socket_ = INVALID_SOCKET_HANDLE;
};

}  // namespace quillnet
