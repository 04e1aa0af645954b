// Raw protocol peers and common settings for engine tests.
#include "engine_support.h"

#include <chrono>

#include "net/clock.h"
#include "net/line_io.h"
#include "net/wire.h"

namespace quillnet {

TestPorts next_ports() {
    const std::uint16_t discovery = next_port();
    return TestPorts{discovery, next_port()};
}

std::uint16_t next_port() {
    static std::atomic<unsigned> next{41000};
    return static_cast<std::uint16_t>(next.fetch_add(1));
}

Settings engine_settings(const TestPorts& ports, const std::string& user, const std::string& room) {
    Settings s;
    s.user = user;
    s.room = room;
    s.discovery_port = ports.discovery;
    s.message_port = ports.message;
    s.heartbeat_ms = 200;
    s.peer_timeout_ms = 1000;
    s.flags = {{"Red", make_colour(220, 30, 30)}, {"Blue", make_colour(30, 30, 220)}};
    return s;
}

bool eventually(const std::function<bool()>& predicate, int timeout_ms) {
    const std::int64_t deadline = milliseconds_since_start() + timeout_ms;
    for (;;) {
        if (predicate()) return true;
        if (milliseconds_since_start() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

RawUdp::RawUdp(std::uint32_t address, std::uint16_t port, bool reuse) : socket_(open_udp_socket()) {
    if (reuse) {
        set_reuse_address(socket_.get());
    } else {
#if defined(_WIN32)
        // On Windows a later SO_REUSEADDR bind would take over a port bound without
        // options; a program that does not share its port sets the exclusive option.
        set_exclusive_port(socket_.get());
#endif
    }
    set_broadcast(socket_.get());
    bound_ = bind_ipv4(socket_.get(), address, port);
}

void RawUdp::send_to(const std::string& bytes, std::uint32_t address, std::uint16_t port) {
    send_datagram(socket_.get(), bytes.data(), bytes.size(), address, port);
}

bool RawUdp::receive(std::string& datagram, int timeout_ms) {
    if (wait_readable(socket_.get(), timeout_ms) != WaitResult::ready) return false;
    std::vector<char> buffer(65536);
    std::uint32_t source = 0;
    const int size = receive_datagram(socket_.get(), buffer.data(), buffer.size(), source);
    if (size < 0) return false;
    datagram.assign(buffer.data(), static_cast<std::size_t>(size));
    return true;
}

std::string converse(std::uint16_t port, const std::string& bytes, int timeout_ms) {
    SocketHolder socket(open_tcp_socket());
    if (begin_connect(socket.get(), IPV4_LOOPBACK, port) != ConnectStart::connected) return "<no connection>";
    if (!send_all(socket.get(), bytes)) return "<send failed>";
    std::string reply;
    const std::int64_t deadline = milliseconds_since_start() + timeout_ms;
    char buffer[1024];
    for (;;) {
        const std::int64_t left = deadline - milliseconds_since_start();
        if (left <= 0 || wait_readable(socket.get(), static_cast<int>(left)) != WaitResult::ready) break;
        const int got = receive_bytes(socket.get(), buffer, sizeof buffer, false);
        if (got <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(got));
        // The engine waits for us to close after its reply line.
        if (reply.find('\n') != std::string::npos) break;
    }
    return reply;
}

RawServer::RawServer(std::string reply, int delay_ms, bool close_at_once, int byte_interval_ms)
    : listener_(open_tcp_socket()),
      reply_(std::move(reply)),
      delay_ms_(delay_ms),
      close_at_once_(close_at_once),
      byte_interval_ms_(byte_interval_ms) {
    set_reuse_address(listener_.get());
    bind_ipv4(listener_.get(), IPV4_LOOPBACK, 0);
    listen_max_backlog(listener_.get());
    port_ = local_port(listener_.get());
    thread_ = std::thread([this] { serve(); });
}

RawServer::~RawServer() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> RawServer::frames() {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
}

void RawServer::serve() {
    while (!stop_) {
        if (wait_readable(listener_.get(), 50) != WaitResult::ready) continue;
        std::uint32_t peer = 0;
        SocketHolder connection(accept_connection(listener_.get(), peer));
        if (!connection.valid() || close_at_once_) continue;
        const std::string frame = read_line_from(connection.get(), FRAME_READ_LIMIT, 3000, 10000);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            frames_.push_back(frame);
        }
        if (delay_ms_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms_));
        if (byte_interval_ms_ > 0) {
            // Until the reply is out, the sender has gone, or the test ends.
            for (std::size_t i = 0; i < reply_.size() && !stop_; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(byte_interval_ms_));
                if (send_bytes(connection.get(), &reply_[i], 1) != 1) break;
            }
        } else if (!reply_.empty()) {
            send_all(connection.get(), reply_);
        }
        // Let the sender close first so its reply is never cut by a reset.
        await_peer_close(connection.get(), 3000);
    }
}

std::string hello_line(const std::string& id, const std::string& user, const std::string& room,
                       const std::string& port) {
    return encode_line("HELLO", {id, user, room, port});
}

}  // namespace quillnet
