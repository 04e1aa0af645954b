// Raw acknowledging server and client.
#include "raw_reference.h"

#include <cstring>
#include <memory>
#include <vector>

namespace quillnet {

RawAckServer::RawAckServer(bool silent) : listener_(open_tcp_socket()), silent_(silent) {
    set_reuse_address(listener_.get());
    bind_ipv4(listener_.get(), IPV4_LOOPBACK, 0);
    listen_max_backlog(listener_.get());
    port_ = local_port(listener_.get());
    thread_ = std::thread([this] { serve(); });
}

RawAckServer::~RawAckServer() {
    stop_ = true;
    thread_.join();
}

void RawAckServer::serve() {
    std::vector<std::unique_ptr<SocketHolder>> held;
    char buffer[4096];
    static const char reply[] = "ACK\n";
    while (!stop_) {
        if (wait_readable(listener_.get(), 50) != WaitResult::ready) continue;
        std::uint32_t peer = 0;
        auto connection = std::make_unique<SocketHolder>(accept_connection(listener_.get(), peer));
        if (!connection->valid()) continue;
        if (silent_) {
            held.push_back(std::move(connection));
            continue;
        }
        set_non_blocking(connection->get(), false);
        for (;;) {
            if (wait_readable(connection->get(), 3000) != WaitResult::ready) break;
            const int got = receive_bytes(connection->get(), buffer, sizeof buffer, false);
            if (got <= 0) break;
            if (std::memchr(buffer, '\n', static_cast<std::size_t>(got))) {
                send_bytes(connection->get(), reply, sizeof reply - 1);
                break;
            }
        }
    }
}

bool raw_exchange(std::uint16_t port, const std::string& line, int reply_timeout_ms) {
    SocketHolder socket(open_tcp_socket());
    if (!socket.valid()) return false;
    if (begin_connect(socket.get(), IPV4_LOOPBACK, port) != ConnectStart::connected) return false;
    std::size_t done = 0;
    while (done < line.size()) {
        const int sent = send_bytes(socket.get(), line.data() + done, line.size() - done);
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    std::string reply;
    char buffer[256];
    while (reply.find('\n') == std::string::npos) {
        if (wait_readable(socket.get(), reply_timeout_ms) != WaitResult::ready) break;
        const int got = receive_bytes(socket.get(), buffer, sizeof buffer, false);
        if (got <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(got));
    }
    // A sealed engine answers with a sealed acknowledgement.
    return reply.compare(0, 3, "ACK") == 0 || reply.compare(0, 4, "QS1\x1F") == 0;
}

}  // namespace quillnet
