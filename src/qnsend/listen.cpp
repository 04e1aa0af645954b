// qnsend's discovery listener.
#include "qnsend/listen.h"

#include "net/clock.h"
#include "net/discovery_rules.h"
#include "net/socket_shim.h"
#include "qnsend/rooms.h"

namespace quillnet {

namespace {

constexpr int HEARTBEAT_CYCLE_MS = 200;
constexpr int WAIT_MARGIN_MS = 1000;

}  // namespace

int default_wait_ms(std::int32_t heartbeat_ms) {
    std::int64_t interval = heartbeat_ms < HEARTBEAT_CYCLE_MS ? HEARTBEAT_CYCLE_MS : heartbeat_ms;
    interval = (interval + HEARTBEAT_CYCLE_MS - 1) / HEARTBEAT_CYCLE_MS * HEARTBEAT_CYCLE_MS;
    const std::int64_t wait = interval + WAIT_MARGIN_MS;
    return wait > 600000 ? 600000 : static_cast<int>(wait);
}

bool take_datagram(const WireMode& mode, const char* data, std::size_t size, std::uint32_t source,
                   const std::string& own_id, PeerTable& table) {
    const std::string source_address = format_ipv4(source);
    bool second_id = false;
    for (const auto& admitted : admit_datagram(mode, data, size, source_address, own_id)) {
        const ParsedLine line = parse_line(admitted.text);
        const std::string sender = field_or_empty(line, 0);
        const std::uint16_t port = read_port_field(field_or_empty(line, 3));
        if ((line.kind == "HELLO" || line.kind == "HEARTBEAT") && port != 0) {
            for (const auto& entry : table.records) {
                const PeerRecord& listed = entry.second;
                if (listed.id != sender && listed.port == port && listed.address == source_address) second_id = true;
            }
        }
        apply_discovery_line(table, line, own_id, source_address, milliseconds_since_start(), admitted.sent_at);
    }
    return second_id;
}

bool listen_for_rooms(const WireMode& mode, std::uint16_t port, int wait_ms, const std::vector<std::string>& names,
                      const std::string& own_id, PeerTable& table) {
    SocketHolder udp(open_udp_socket());
    if (!udp.valid()) return false;
    // Shared with a Quillnet on this machine: broadcasts reach both sockets.
    set_reuse_address(udp.get());
    if (!bind_ipv4(udp.get(), IPV4_ANY, port)) return false;
    set_non_blocking(udp.get(), true);

    std::vector<char> buffer(DATAGRAM_BUFFER_SIZE);
    const std::int64_t deadline = milliseconds_since_start() + wait_ms;
    bool second_id = false;
    for (;;) {
        if (!second_id && !names.empty() && choose_rooms(copy_peers(table), names).unknown.empty()) return true;
        const std::int64_t left = deadline - milliseconds_since_start();
        if (left <= 0) return true;
        const WaitResult ready = wait_readable(udp.get(), static_cast<int>(left));
        if (ready == WaitResult::failed) return true;
        if (ready != WaitResult::ready) continue;
        std::uint32_t source = 0;
        const int size = receive_datagram(udp.get(), buffer.data(), buffer.size(), source);
        if (size > 0 && take_datagram(mode, buffer.data(), static_cast<std::size_t>(size), source, own_id, table))
            second_id = true;
    }
}

}  // namespace quillnet
