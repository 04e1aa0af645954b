// A flood of made-up announcements and garbage on a discovery port, for measuring what
// a running copy keeps (peer table, memory) and whether it still answers meanwhile.
#include <random>
#include <string>

#include "bench_clock.h"
#include "benchmarks.h"
#include "net/socket_shim.h"
#include "net/wire.h"

namespace quillnet {

int bench_flood(std::uint16_t port, int datagrams) {
    SocketHolder socket(open_udp_socket());
    set_broadcast(socket.get());
    std::mt19937 random(7);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    std::string garbage(1 << 16, '\0');
    for (auto& c : garbage) c = static_cast<char>(pick(256));
    const std::int64_t t0 = now_us();
    for (int i = 0; i < datagrams; ++i) {
        std::string datagram;
        switch (pick(4)) {
            case 0:
            case 1:
                datagram = encode_line(pick(2) ? "HELLO" : "HEARTBEAT",
                                       {"{FLOOD-" + std::to_string(i) + "}", "flood " + std::to_string(pick(1000)),
                                        "nowhere", std::to_string(1 + pick(65535))});
                break;
            case 2:
                datagram = garbage.substr(pick(garbage.size() - 2048), pick(2048));
                break;
            default:
                datagram = garbage.substr(pick(garbage.size() - 4096), 2048 + pick(2048));  // too long
                break;
        }
        // Every other datagram to the loopback broadcast address, which reaches every
        // copy on the port; a unicast reaches only one of them.
        send_datagram(socket.get(), datagram.data(), datagram.size(), i % 2 ? IPV4_LOOPBACK : 0x7FFFFFFF, port);
    }
    report("flood_datagrams", datagrams);
    report("flood_seconds", static_cast<double>(now_us() - t0) / 1e6);
    return 0;
}

}  // namespace quillnet
