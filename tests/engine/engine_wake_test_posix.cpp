// Stray datagrams on the engine's own sockets: junk sent to every UDP socket the process
// holds (the discovery socket and the sockets the receivers are woken on) is read and
// dropped; the engine goes on hearing announcements and its threads stay idle. Native
// only: it walks the process's descriptors and reads its CPU time.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"

using namespace quillnet;

namespace {

// The ports of every UDP socket of this process bound to loopback or the any-address.
std::vector<std::uint16_t> udp_ports_of_this_process() {
    std::vector<std::uint16_t> ports;
    for (int fd = 0; fd < 4096; ++fd) {
        int type = 0;
        socklen_t length = sizeof type;
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_DGRAM) continue;
        sockaddr_in address{};
        socklen_t address_length = sizeof address;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &address_length) != 0 ||
            address.sin_family != AF_INET || address.sin_port == 0)
            continue;
        ports.push_back(ntohs(address.sin_port));
    }
    return ports;
}

std::int64_t process_cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

bool listed(NetworkEngine& engine, const std::string& id) {
    for (const auto& p : engine.snapshot_peers())
        if (p.id == id) return true;
    return false;
}

}  // namespace

TEST(EngineWake, JunkOnEveryUdpSocketIsDroppedAndTheEngineStaysIdleAndHearing) {
    const TestPorts ports = next_ports();
    EventSink sink;
    NetworkEngine engine;
    sink.serve(engine);
    std::wstring error;
    Settings settings = engine_settings(ports, "me");
    settings.heartbeat_ms = 1000;
    settings.peer_timeout_ms = 60000;
    ASSERT_TRUE(engine.start(settings, sink.window(), error));
    const std::vector<std::uint16_t> targets = udp_ports_of_this_process();
    ASSERT_GE(targets.size(), 2u);  // the discovery socket and at least one wake socket
    RawUdp raw(IPV4_LOOPBACK, 0);
    for (const std::uint16_t port : targets) {
        for (const std::string& junk : {std::string(1, '\0'), std::string("x"), std::string(3000, 'j'), std::string()}) {
            raw.send_to(junk, IPV4_LOOPBACK, port);
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::int64_t cpu_before = process_cpu_ms();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::int64_t cpu_used = process_cpu_ms() - cpu_before;
    // A spinning receiver would take most of a core over the period.
    EXPECT_LT(cpu_used, 300) << "ms of CPU time in 1.5 s";
    raw.send_to(hello_line("{AFTER-JUNK}", "ann", "Op 1", "4000"), IPV4_LOOPBACK, ports.discovery);
    EXPECT_TRUE(eventually([&] { return listed(engine, "{AFTER-JUNK}"); }, 5000));
    engine.stop();
    EXPECT_FALSE(engine.running());
}
