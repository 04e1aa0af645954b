// BSD-socket side of the socket shim (native builds and tests).
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <vector>

#include "net/socket_shim.h"

namespace quillnet {

namespace {

sockaddr_in make_address(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

bool set_int_option(SocketHandle socket, int level, int name, int value) {
    return setsockopt(socket, level, name, &value, sizeof value) == 0;
}

WaitResult wait_for(SocketHandle socket, short events, int timeout_ms) {
    pollfd entry{socket, events, 0};
    int result;
    do {
        result = poll(&entry, 1, timeout_ms < 0 ? 0 : timeout_ms);
    } while (result < 0 && errno == EINTR);
    if (result < 0) return WaitResult::failed;
    if (result == 0) return WaitResult::timed_out;
    // Hang-ups and errors count as ready: the following call reports them.
    return WaitResult::ready;
}

}  // namespace

bool socket_library_start() { return true; }
void socket_library_stop() {}

SocketHandle open_udp_socket() { return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP); }
SocketHandle open_tcp_socket() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP); }

void close_socket(SocketHandle socket) {
    if (socket != INVALID_SOCKET_HANDLE) close(socket);
}

void shutdown_socket(SocketHandle socket) {
    if (socket != INVALID_SOCKET_HANDLE) shutdown(socket, SHUT_RDWR);
}

bool set_reuse_address(SocketHandle socket) { return set_int_option(socket, SOL_SOCKET, SO_REUSEADDR, 1); }
bool set_broadcast(SocketHandle socket) { return set_int_option(socket, SOL_SOCKET, SO_BROADCAST, 1); }
// Linux refuses a second listener on a port even with SO_REUSEADDR, and the option lets
// a restarted copy bind while old connections linger in TIME_WAIT.
bool set_exclusive_port(SocketHandle socket) { return set_reuse_address(socket); }

bool set_receive_buffer(SocketHandle socket, int bytes) {
    return set_int_option(socket, SOL_SOCKET, SO_RCVBUF, bytes);
}

bool set_non_blocking(SocketHandle socket, bool non_blocking) {
    const int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0) return false;
    return fcntl(socket, F_SETFL, non_blocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

bool set_abortive_close(SocketHandle socket) {
    linger value{};
    value.l_onoff = 1;
    value.l_linger = 0;
    return setsockopt(socket, SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0;
}

bool bind_ipv4(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
    const sockaddr_in sa = make_address(address, port);
    return bind(socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

bool listen_max_backlog(SocketHandle socket) { return listen(socket, SOMAXCONN) == 0; }

std::uint16_t local_port(SocketHandle socket) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return ntohs(sa.sin_port);
}

WaitResult wait_readable(SocketHandle socket, int timeout_ms) { return wait_for(socket, POLLIN, timeout_ms); }
WaitResult wait_writable(SocketHandle socket, int timeout_ms) { return wait_for(socket, POLLOUT, timeout_ms); }

int wait_readable_any(const SocketHandle* sockets, unsigned char* ready, std::size_t count, int timeout_ms) {
    std::vector<pollfd> entries(count);
    for (std::size_t i = 0; i < count; ++i) entries[i] = pollfd{sockets[i], POLLIN, 0};
    int result;
    do {
        result = poll(entries.data(), static_cast<nfds_t>(count), timeout_ms < 0 ? -1 : timeout_ms);
    } while (result < 0 && errno == EINTR);
    for (std::size_t i = 0; i < count; ++i) ready[i] = (result > 0 && entries[i].revents != 0) ? 1 : 0;
    return result < 0 ? -1 : result;
}

ConnectStart begin_connect(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
    const sockaddr_in sa = make_address(address, port);
    if (connect(socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return ConnectStart::connected;
    return (errno == EINPROGRESS || errno == EWOULDBLOCK || errno == EAGAIN) ? ConnectStart::in_progress
                                                                            : ConnectStart::failed;
}

int pending_socket_error(SocketHandle socket) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return -1;
    return error;
}

int send_bytes(SocketHandle socket, const char* data, std::size_t size) {
    ssize_t sent;
    do {
        sent = send(socket, data, size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

int receive_bytes(SocketHandle socket, char* buffer, std::size_t size, bool peek) {
    ssize_t got;
    do {
        got = recv(socket, buffer, size, peek ? MSG_PEEK : 0);
    } while (got < 0 && errno == EINTR);
    return got < 0 ? -1 : static_cast<int>(got);
}

int send_datagram(SocketHandle socket, const char* data, std::size_t size, std::uint32_t address,
                  std::uint16_t port) {
    const sockaddr_in sa = make_address(address, port);
    const ssize_t sent =
        sendto(socket, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

int receive_datagram(SocketHandle socket, char* buffer, std::size_t size, std::uint32_t& source) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    // MSG_TRUNC makes Linux report the datagram's real length, so an oversized one can be
    // refused as Winsock does (WSAEMSGSIZE) instead of being handled cut short.
    const ssize_t got = recvfrom(socket, buffer, size, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &length);
    if (got < 0 || static_cast<std::size_t>(got) > size) return -1;
    source = ntohl(sa.sin_addr.s_addr);
    return static_cast<int>(got);
}

namespace {

SocketHandle accept_with_flags(SocketHandle listener, std::uint32_t& peer_address, bool& failed, int flags) {
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    SocketHandle accepted;
    do {
        accepted = accept4(listener, reinterpret_cast<sockaddr*>(&sa), &length, flags);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0) {
        // A connection reset while it waited is gone for good; that is no failure either.
        failed = !(errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED);
        return INVALID_SOCKET_HANDLE;
    }
    failed = false;
    peer_address = ntohl(sa.sin_addr.s_addr);
    return accepted;
}

}  // namespace

SocketHandle accept_connection(SocketHandle listener, std::uint32_t& peer_address, bool& failed) {
    return accept_with_flags(listener, peer_address, failed, SOCK_CLOEXEC);
}

SocketHandle accept_non_blocking(SocketHandle listener, std::uint32_t& peer_address, bool& failed) {
    return accept_with_flags(listener, peer_address, failed, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

SocketHandle accept_connection(SocketHandle listener, std::uint32_t& peer_address) {
    bool failed = false;
    return accept_connection(listener, peer_address, failed);
}

bool parse_ipv4(const std::string& text, std::uint32_t& address) {
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
    address = ntohl(parsed.s_addr);
    return true;
}

std::string format_ipv4(std::uint32_t address) {
    in_addr in{};
    in.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &in, text, sizeof text)) return std::string();
    return std::string(text);
}

}  // namespace quillnet
