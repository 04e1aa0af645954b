// Discovery between engines on loopback broadcast, and the announcement rules applied to
// hand-made datagrams: own id, missing sender, several lines, oversized datagrams, BYE,
// expiry, seed addresses.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

const PeerRecord* find_peer(const PeerSnapshot& peers, const std::string& id) {
    for (const auto& p : peers) {
        if (p.id == id) return &p;
    }
    return nullptr;
}

std::vector<std::string> users(const PeerSnapshot& peers) {
    std::vector<std::string> out;
    for (const auto& p : peers) out.push_back(p.user);
    return out;
}

}  // namespace

TEST(EngineDiscovery, ThreeEnginesFindEachOtherAndListInUserOrder) {
    const TestPorts base = next_ports();
    Node a, b, c;
    Settings sa = engine_settings(base, "carol", "Op 1");
    Settings sb = engine_settings({base.discovery, next_port()}, "Bob", "Op 2");
    Settings sc = engine_settings({base.discovery, next_port()}, "alice", "Front desk");
    ASSERT_TRUE(a.start(sa));
    ASSERT_TRUE(b.start(sb));
    ASSERT_TRUE(c.start(sc));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 2 && b.engine.snapshot_peers().size() == 2 &&
                                        c.engine.snapshot_peers().size() == 2; }));
    EXPECT_TRUE(a.sink.next_peers_changed());
    const PeerSnapshot seen_by_a = a.engine.snapshot_peers();
    EXPECT_EQ(users(seen_by_a), (std::vector<std::string>{"Bob", "alice"}));
    const PeerRecord* bob = find_peer(seen_by_a, b.engine.instance_id());
    ASSERT_NE(bob, nullptr);
    EXPECT_EQ(bob->room, "Op 2");
    EXPECT_EQ(bob->address, "127.0.0.1");
    EXPECT_EQ(bob->port, sb.message_port);
    // Nobody lists itself.
    EXPECT_EQ(find_peer(seen_by_a, a.engine.instance_id()), nullptr);
}

TEST(EngineDiscovery, ByeRemovesAPeerAtOnce) {
    const TestPorts base = next_ports();
    Node a, b;
    Settings sa = engine_settings(base, "ann");
    sa.peer_timeout_ms = 600000;  // only the BYE can remove it
    ASSERT_TRUE(a.start(sa));
    ASSERT_TRUE(b.start(engine_settings({base.discovery, next_port()}, "bea")));
    ASSERT_TRUE(a.sink.next_peers_changed());
    ASSERT_EQ(a.engine.snapshot_peers().size(), 1u);
    b.engine.stop();
    ASSERT_TRUE(a.sink.next_peers_changed());
    EXPECT_TRUE(a.engine.snapshot_peers().empty());
}

TEST(EngineDiscovery, SilentPeerExpiresWithOneNotice) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    Node a;
    ASSERT_TRUE(a.start(engine_settings(ports, "ann")));  // peer timeout 1000 ms
    RawUdp raw(IPV4_LOOPBACK, 0);
    raw.send_to(hello_line("{GHOST}", "ghost", "Attic", "4000"), IPV4_LOOPBACK, ports.discovery);
    ASSERT_TRUE(a.sink.next_peers_changed());
    ASSERT_NE(find_peer(a.engine.snapshot_peers(), "{GHOST}"), nullptr);
    ASSERT_TRUE(a.sink.next_peers_changed());
    EXPECT_TRUE(a.engine.snapshot_peers().empty());
}

TEST(EngineDiscovery, HandMadeDatagramsFollowTheAnnouncementRules) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    Node a;
    Settings settings = engine_settings(ports, "ann");
    settings.peer_timeout_ms = 600000;
    ASSERT_TRUE(a.start(settings));
    RawUdp raw(IPV4_LOOPBACK, 0);
    auto send = [&](const std::string& bytes) { raw.send_to(bytes, IPV4_LOOPBACK, ports.discovery); };
    // Datagrams are handled in order, so once a later marker shows up the earlier
    // datagrams have been dealt with.
    int marker = 0;
    auto sync = [&] {
        const std::string id = "{MARK-" + std::to_string(++marker) + "}";
        send(hello_line(id, "zz-marker", "", "1"));
        // Changes before the marker may share its notice or come with one of their own.
        for (int notices = 0; notices < 5 && a.sink.next_peers_changed(); ++notices) {
            if (find_peer(a.engine.snapshot_peers(), id) != nullptr) return true;
        }
        return false;
    };

    send("HEARTBEAT\n");                                                          // no sender
    send(hello_line(a.engine.instance_id(), "me", "r", "1"));                    // own id
    send(encode_line("BYE", {"{NOBODY}"}));                                       // unknown sender
    send(encode_line("PING", {"{P}", "u", "r", "1"}));                            // other kind
    send(hello_line("{BIG}", "big", "r", "1") + std::string(3000, 'x'));          // longer than 2047
    ASSERT_TRUE(sync());
    EXPECT_EQ(a.sink.count_within(WM_APP_PEERS_CHANGED, 200), 0);
    EXPECT_EQ(a.engine.snapshot_peers().size(), 1u);

    // Two announcements in one datagram; one without a numeric port.
    send(hello_line("{TWO-A}", "two", "r", "5000") + encode_line("HEARTBEAT", {"{TWO-B}", "two", "r", "port"}));
    ASSERT_TRUE(sync());
    const PeerSnapshot peers = a.engine.snapshot_peers();
    ASSERT_NE(find_peer(peers, "{TWO-A}"), nullptr);
    ASSERT_NE(find_peer(peers, "{TWO-B}"), nullptr);
    EXPECT_EQ(find_peer(peers, "{TWO-A}")->port, 5000);
    EXPECT_EQ(find_peer(peers, "{TWO-B}")->port, 0);

    // A known peer changing room is updated silently.
    send(encode_line("HEARTBEAT", {"{TWO-A}", "two", "Moved", "5000"}));
    ASSERT_TRUE(sync());
    EXPECT_EQ(a.sink.count_within(WM_APP_PEERS_CHANGED, 200), 0);
    EXPECT_EQ(find_peer(a.engine.snapshot_peers(), "{TWO-A}")->room, "Moved");

    // A datagram exactly filling the buffer is still read.
    std::string full = hello_line("{FULL}", "full", std::string(2047 - 30, 'r'), "1");
    full.resize(2047, 'r');
    send(full);
    ASSERT_TRUE(a.sink.next_peers_changed());
    EXPECT_NE(find_peer(a.engine.snapshot_peers(), "{FULL}"), nullptr);
}

TEST(EngineDiscovery, SeedAddressesReceiveEveryAnnouncementAndNamesAreSkipped) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    // A second loopback address stands for a host on another subnet: only datagrams sent
    // to it directly arrive here, broadcasts do not.
    RawUdp seed(0x7F000002, ports.discovery);
    ASSERT_TRUE(seed.bound());
    Node a;
    Settings settings = engine_settings(ports, "ann");
    settings.seed_peers = {"frontdesk.local", "127.0.0.2", "127.0.0.300", "127.0.0.2"};
    ASSERT_TRUE(a.start(settings));
    std::vector<std::string> kinds;
    ASSERT_TRUE(eventually([&] {
        std::string datagram;
        while (seed.receive(datagram, 50)) {
            for (const auto& line : split_datagram_lines(datagram.data(), datagram.size())) {
                kinds.push_back(parse_line(line).kind);
            }
        }
        return kinds.size() >= 2;
    }));
    a.engine.stop();
    std::string datagram;
    while (seed.receive(datagram, 300)) kinds.push_back(parse_line(split_datagram_lines(datagram.data(), datagram.size())[0]).kind);
    EXPECT_GE(std::count(kinds.begin(), kinds.end(), "HELLO"), 1);
    EXPECT_GE(std::count(kinds.begin(), kinds.end(), "HEARTBEAT"), 1);
    EXPECT_GE(std::count(kinds.begin(), kinds.end(), "BYE"), 1);
}

TEST(EngineDiscovery, RoomRestartedUnderANewIdReplacesItsOldEntry) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    Node a;
    Settings settings = engine_settings(ports, "ann");
    settings.peer_timeout_ms = 600000;
    ASSERT_TRUE(a.start(settings));
    RawUdp raw(IPV4_LOOPBACK, 0);
    auto send = [&](const std::string& bytes) { raw.send_to(bytes, IPV4_LOOPBACK, ports.discovery); };
    send(hello_line("{BEFORE-CRASH}", "bob", "Op 2", "5000"));
    send(hello_line("{OTHER-PORT}", "bob", "Op 2", "5001"));
    send(hello_line("{NO-PORT-1}", "cy", "r", "none"));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 3; }));
    // The same address and port under a new id: the crashed copy's entry goes.
    send(hello_line("{AFTER-RESTART}", "bob", "Op 2", "5000"));
    send(hello_line("{NO-PORT-2}", "dee", "r", "none"));  // no port: nothing shared
    ASSERT_TRUE(eventually([&] { return find_peer(a.engine.snapshot_peers(), "{NO-PORT-2}") != nullptr; }));
    const PeerSnapshot peers = a.engine.snapshot_peers();
    EXPECT_EQ(peers.size(), 4u);
    EXPECT_EQ(find_peer(peers, "{BEFORE-CRASH}"), nullptr);
    EXPECT_NE(find_peer(peers, "{AFTER-RESTART}"), nullptr);
    EXPECT_NE(find_peer(peers, "{OTHER-PORT}"), nullptr);
    int attempted = 0;
    a.engine.send_message({}, "MSG", "everyone", attempted);
    EXPECT_EQ(attempted, 2);
}
