// Taking SEEN frames on qnsend's seen port.
#include "qnsend/seen_listener.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "net/clock.h"
#include "net/frame_connection.h"

namespace quillnet {

namespace {

constexpr std::size_t MAX_OPEN = 16;

}  // namespace

bool SeenListener::open(std::uint16_t port) {
    SocketHolder tcp(open_tcp_socket());
    if (!tcp.valid()) return false;
    set_exclusive_port(tcp.get());
    if (!bind_ipv4(tcp.get(), IPV4_ANY, port) || !listen_max_backlog(tcp.get())) return false;
    set_non_blocking(tcp.get(), true);
    listener_.reset(tcp.release());
    return true;
}

void SeenListener::serve_until(std::int64_t deadline_ms, const WireMode& mode, const std::string& own_id,
                               const std::function<bool(const std::string&, const std::string&)>& on_seen) {
    if (!listener_.valid()) return;
    bool finished = false;
    const std::vector<FlagDefinition> no_flags;
    const FrameContext context{own_id, no_flags, mode.sealed.get(), mode.notices.get(), nullptr,
                               [&](const std::string& line, const std::string& address) {
                                   if (parse_line(line).kind == "SEEN" && on_seen(line, address)) finished = true;
                               }};
    std::vector<std::unique_ptr<FrameConnection>> open;
    std::vector<SocketHandle> handles;
    std::vector<unsigned char> ready;
    std::vector<char> buffer(16384);
    // After the last SEEN wanted, its acknowledgement still goes back before the end.
    while (true) {
        const std::int64_t now = milliseconds_since_start();
        if ((finished || now >= deadline_ms) && open.empty()) break;
        if (now >= deadline_ms + FRAME_TOTAL_TIMEOUT_MS) break;
        handles.assign(1, listener_.get());
        for (const auto& c : open) handles.push_back(c->socket.get());
        ready.assign(handles.size(), 0);
        std::int64_t wait = (finished ? now : deadline_ms) - now;
        for (const auto& c : open) wait = std::min(wait, frame_deadline(*c) - now);
        if (wait < 0) wait = 0;
        if (wait_readable_any(handles.data(), ready.data(), handles.size(), static_cast<int>(wait)) < 0) break;
        const std::int64_t after = milliseconds_since_start();
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (ready[i + 1]) on_frame_readable(*open[i], context, buffer, after);
            on_frame_clock(*open[i], context, after);
        }
        if (ready[0] && !finished) {
            for (;;) {
                std::uint32_t peer = 0;
                bool failed = false;
                SocketHolder accepted(accept_non_blocking(listener_.get(), peer, failed));
                if (!accepted.valid()) break;
                if (open.size() >= MAX_OPEN) {
                    cut_frame_short(*open.front(), context, buffer, after);
                    close_frame_connection(*open.front());
                    open.erase(open.begin());
                }
                open.push_back(std::make_unique<FrameConnection>(accepted.release(), format_ipv4(peer), after));
            }
        }
        for (auto it = open.begin(); it != open.end();) {
            // An acknowledged connection waits (briefly) for its sender to close first.
            if ((*it)->stage == FrameStage::done) {
                close_frame_connection(**it);
                it = open.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& c : open) close_frame_connection(*c);
}

}  // namespace quillnet
