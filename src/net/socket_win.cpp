// Winsock side of the socket shim.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <vector>

#include "net/socket_shim.h"

namespace quillnet {

namespace {

SOCKET native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

sockaddr_in make_address(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

bool set_int_option(SocketHandle socket, int level, int name, int value) {
    return setsockopt(native(socket), level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

WaitResult wait_for(SocketHandle socket, bool for_writing, int timeout_ms) {
    if (timeout_ms < 0) timeout_ms = 0;
    fd_set wanted;
    fd_set failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(native(socket), &wanted);
    FD_SET(native(socket), &failed);  // a failed non-blocking connect shows up here
    timeval tv{};
    tv.tv_sec = timeout_ms / 1000;
    tv.tv_usec = (timeout_ms % 1000) * 1000;
    const int result = select(0, for_writing ? nullptr : &wanted, for_writing ? &wanted : nullptr, &failed, &tv);
    if (result == SOCKET_ERROR) return WaitResult::failed;
    if (result == 0) return WaitResult::timed_out;
    if (FD_ISSET(native(socket), &wanted)) return WaitResult::ready;
    return WaitResult::failed;
}

}  // namespace

bool socket_library_start() {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void socket_library_stop() { WSACleanup(); }

SocketHandle open_udp_socket() {
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    return s == INVALID_SOCKET ? INVALID_SOCKET_HANDLE : static_cast<SocketHandle>(s);
}

SocketHandle open_tcp_socket() {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    return s == INVALID_SOCKET ? INVALID_SOCKET_HANDLE : static_cast<SocketHandle>(s);
}

void close_socket(SocketHandle socket) {
    if (socket != INVALID_SOCKET_HANDLE) closesocket(native(socket));
}

void shutdown_socket(SocketHandle socket) {
    if (socket != INVALID_SOCKET_HANDLE) shutdown(native(socket), SD_BOTH);
}

bool set_reuse_address(SocketHandle socket) { return set_int_option(socket, SOL_SOCKET, SO_REUSEADDR, 1); }
bool set_broadcast(SocketHandle socket) { return set_int_option(socket, SOL_SOCKET, SO_BROADCAST, 1); }
// With SO_REUSEADDR Windows would let a second copy bind the same listening port and
// split the incoming messages between the two; the exclusive option makes that bind fail.
bool set_exclusive_port(SocketHandle socket) { return set_int_option(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1); }

bool set_receive_buffer(SocketHandle socket, int bytes) {
    return set_int_option(socket, SOL_SOCKET, SO_RCVBUF, bytes);
}

bool set_non_blocking(SocketHandle socket, bool non_blocking) {
    u_long mode = non_blocking ? 1 : 0;
    return ioctlsocket(native(socket), FIONBIO, &mode) == 0;
}

bool set_abortive_close(SocketHandle socket) {
    linger value{};
    value.l_onoff = 1;
    value.l_linger = 0;
    return setsockopt(native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
}

bool bind_ipv4(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
    const sockaddr_in sa = make_address(address, port);
    return bind(native(socket), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

bool listen_max_backlog(SocketHandle socket) { return listen(native(socket), SOMAXCONN) == 0; }

std::uint16_t local_port(SocketHandle socket) {
    sockaddr_in sa{};
    int length = sizeof sa;
    if (getsockname(native(socket), reinterpret_cast<sockaddr*>(&sa), &length) != 0) return 0;
    return ntohs(sa.sin_port);
}

WaitResult wait_readable(SocketHandle socket, int timeout_ms) { return wait_for(socket, false, timeout_ms); }
WaitResult wait_writable(SocketHandle socket, int timeout_ms) { return wait_for(socket, true, timeout_ms); }

// WSAPoll rather than select: select's set holds only FD_SETSIZE (64) sockets.
int wait_readable_any(const SocketHandle* sockets, unsigned char* ready, std::size_t count, int timeout_ms) {
    if (count == 0) {  // WSAPoll refuses an empty set; poll() would just wait
        Sleep(timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
        return 0;
    }
    std::vector<WSAPOLLFD> entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        entries[i].fd = native(sockets[i]);
        entries[i].events = POLLRDNORM;
        entries[i].revents = 0;
    }
    const int result = WSAPoll(entries.data(), static_cast<ULONG>(count), timeout_ms < 0 ? -1 : timeout_ms);
    for (std::size_t i = 0; i < count; ++i) ready[i] = (result > 0 && entries[i].revents != 0) ? 1 : 0;
    return result == SOCKET_ERROR ? -1 : result;
}

ConnectStart begin_connect(SocketHandle socket, std::uint32_t address, std::uint16_t port) {
    const sockaddr_in sa = make_address(address, port);
    if (connect(native(socket), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) {
        return ConnectStart::connected;
    }
    return WSAGetLastError() == WSAEWOULDBLOCK ? ConnectStart::in_progress : ConnectStart::failed;
}

int pending_socket_error(SocketHandle socket) {
    int error = 0;
    int length = sizeof error;
    if (getsockopt(native(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) return -1;
    return error;
}

int send_bytes(SocketHandle socket, const char* data, std::size_t size) {
    const int chunk = size > 0x40000000u ? 0x40000000 : static_cast<int>(size);
    const int sent = send(native(socket), data, chunk, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

int receive_bytes(SocketHandle socket, char* buffer, std::size_t size, bool peek) {
    const int chunk = size > 0x40000000u ? 0x40000000 : static_cast<int>(size);
    const int got = recv(native(socket), buffer, chunk, peek ? MSG_PEEK : 0);
    return got == SOCKET_ERROR ? -1 : got;
}

int send_datagram(SocketHandle socket, const char* data, std::size_t size, std::uint32_t address,
                  std::uint16_t port) {
    const sockaddr_in sa = make_address(address, port);
    const int chunk = size > 0xFFFFu ? 0xFFFF : static_cast<int>(size);
    const int sent = sendto(native(socket), data, chunk, 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    return sent == SOCKET_ERROR ? -1 : sent;
}

int receive_datagram(SocketHandle socket, char* buffer, std::size_t size, std::uint32_t& source) {
    sockaddr_in sa{};
    int length = sizeof sa;
    // An oversized datagram fails with WSAEMSGSIZE and is discarded whole.
    const int got = recvfrom(native(socket), buffer, static_cast<int>(size), 0, reinterpret_cast<sockaddr*>(&sa),
                             &length);
    if (got == SOCKET_ERROR) return -1;
    source = ntohl(sa.sin_addr.s_addr);
    return got;
}

SocketHandle accept_connection(SocketHandle listener, std::uint32_t& peer_address, bool& failed) {
    sockaddr_in sa{};
    int length = sizeof sa;
    const SOCKET accepted = accept(native(listener), reinterpret_cast<sockaddr*>(&sa), &length);
    if (accepted == INVALID_SOCKET) {
        // A connection reset while it waited is gone for good; that is no failure either.
        const int error = WSAGetLastError();
        failed = !(error == WSAEWOULDBLOCK || error == WSAECONNRESET || error == WSAEINTR);
        return INVALID_SOCKET_HANDLE;
    }
    failed = false;
    peer_address = ntohl(sa.sin_addr.s_addr);
    return static_cast<SocketHandle>(accepted);
}

SocketHandle accept_connection(SocketHandle listener, std::uint32_t& peer_address) {
    bool failed = false;
    return accept_connection(listener, peer_address, failed);
}

SocketHandle accept_non_blocking(SocketHandle listener, std::uint32_t& peer_address, bool& failed) {
    const SocketHandle accepted = accept_connection(listener, peer_address, failed);
    if (accepted != INVALID_SOCKET_HANDLE) set_non_blocking(accepted, true);
    return accepted;
}

bool parse_ipv4(const std::string& text, std::uint32_t& address) {
    IN_ADDR parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
    address = ntohl(parsed.s_addr);
    return true;
}

std::string format_ipv4(std::uint32_t address) {
    IN_ADDR in{};
    in.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &in, text, sizeof text)) return std::string();
    return std::string(text);
}

}  // namespace quillnet
