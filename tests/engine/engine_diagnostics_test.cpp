// The engine's diagnostics snapshot: ports bound, own announcements heard back, rooms,
// mode and key id, the notices of the run, and why a start failed.
#include <gtest/gtest.h>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/site_key.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

const char* const KEY = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

}  // namespace

TEST(EngineDiagnostics, RunningEngineHearsItselfAndListsItsPeer) {
    const TestPorts ports = next_ports();
    EventSink sink_a, sink_b;
    NetworkEngine a, b;
    sink_a.serve(a);
    sink_b.serve(b);
    std::wstring error;
    const Settings sa = engine_settings(ports, "Ann", "Op 1");
    ASSERT_TRUE(a.start(sa, sink_a.window(), error));
    ASSERT_TRUE(b.start(engine_settings({ports.discovery, next_port()}, "Bob", "Op 2"), sink_b.window(), error));
    ASSERT_TRUE(eventually([&] {
        const EngineDiagnostics d = a.diagnostics();
        return own_announcement_heard_back(d) && d.peers.size() == 1 && d.previously_announced_ms >= 0;
    }));
    const EngineDiagnostics d = a.diagnostics();
    EXPECT_TRUE(d.running);
    EXPECT_EQ(d.instance_id, a.instance_id());
    EXPECT_EQ(d.discovery_port, ports.discovery);
    EXPECT_EQ(d.message_port, ports.message);
    EXPECT_TRUE(d.discovery_bound);
    EXPECT_TRUE(d.message_bound);
    EXPECT_EQ(d.start_failure, StartFailure::none);
    EXPECT_FALSE(d.sealed);
    EXPECT_EQ(d.key_id, "");
    EXPECT_EQ(d.peers[0].room, "Op 2");
    EXPECT_EQ(d.peers[0].address, "127.0.0.1");
    EXPECT_LE(d.peers[0].last_seen, d.now_ms);
    EXPECT_GE(d.own_heard_ms, d.previously_announced_ms);
    EXPECT_TRUE(d.notices.empty());
    // Own announcements still never enter the table.
    for (const auto& peer : d.peers) EXPECT_NE(peer.id, a.instance_id());

    a.stop();
    const EngineDiagnostics stopped = a.diagnostics();
    EXPECT_FALSE(stopped.running);
    EXPECT_FALSE(stopped.discovery_bound);
    EXPECT_FALSE(stopped.message_bound);
}

TEST(EngineDiagnostics, TakenMessagePortIsNamedAsTheReason) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    SocketHolder taken(open_tcp_socket());
    set_exclusive_port(taken.get());
    ASSERT_TRUE(bind_ipv4(taken.get(), IPV4_ANY, ports.message));
    ASSERT_TRUE(listen_max_backlog(taken.get()));
    EventSink sink;
    NetworkEngine engine;
    std::wstring error;
    EXPECT_FALSE(engine.start(engine_settings(ports, "Ann"), sink.window(), error));
    const EngineDiagnostics d = engine.diagnostics();
    EXPECT_EQ(d.start_failure, StartFailure::message_port_taken);
    EXPECT_FALSE(d.running);
    EXPECT_FALSE(d.discovery_bound);
    EXPECT_FALSE(d.message_bound);
    EXPECT_EQ(d.message_port, ports.message);
    EXPECT_FALSE(own_announcement_heard_back(d));

    taken.reset();
    ASSERT_TRUE(engine.start(engine_settings(ports, "Ann"), sink.window(), error));
    EXPECT_EQ(engine.diagnostics().start_failure, StartFailure::none);
}

TEST(EngineDiagnostics, SealedModeGivesTheKeyIdAndKeepsTheRunsNotices) {
    const TestPorts ports = next_ports();
    EventSink sink;
    NetworkEngine engine;
    sink.serve(engine);
    Settings settings = engine_settings(ports, "Ann");
    settings.site_key = KEY;
    std::wstring error;
    ASSERT_TRUE(engine.start(settings, sink.window(), error));
    SiteKey key{};
    ASSERT_TRUE(parse_site_key(KEY, key));
    EXPECT_TRUE(engine.diagnostics().sealed);
    EXPECT_EQ(engine.diagnostics().key_id, site_key_id(key));
    ASSERT_TRUE(eventually([&] { return own_announcement_heard_back(engine.diagnostics()); }));

    // An open copy announces itself: the notice is kept for the check, once.
    RawUdp sender(IPV4_LOOPBACK, 0);
    for (int i = 0; i < 3; ++i)
        sender.send_to(hello_line("0123456789abcdef0123456789abcdef", "Bob", "Op 2", "45778"), IPV4_LOOPBACK,
                       ports.discovery);
    ASSERT_TRUE(eventually([&] { return !engine.diagnostics().notices.empty(); }));
    EXPECT_EQ(engine.diagnostics().notices,
              (std::vector<std::string>{notice_text(NoticeReason::open_copy, "127.0.0.1", 0)}));

    // A new run starts with no notices and its own announcement times.
    settings.site_key.clear();
    ASSERT_TRUE(engine.start(settings, sink.window(), error));
    const EngineDiagnostics open = engine.diagnostics();
    EXPECT_TRUE(open.notices.empty());
    EXPECT_FALSE(open.sealed);
    EXPECT_EQ(open.key_id, "");
}

TEST(EngineDiagnostics, HeardBackMeansSinceTheAnnouncementBeforeTheLast) {
    EngineDiagnostics d;
    EXPECT_FALSE(own_announcement_heard_back(d));  // nothing sent, nothing heard
    d.last_announced_ms = 1000;
    EXPECT_FALSE(own_announcement_heard_back(d));
    d.own_heard_ms = 1000;
    EXPECT_TRUE(own_announcement_heard_back(d));  // the HELLO came back
    d.previously_announced_ms = 1000;
    d.last_announced_ms = 4000;
    EXPECT_TRUE(own_announcement_heard_back(d));  // the last one may be on its way
    d.previously_announced_ms = 4000;
    d.last_announced_ms = 7000;
    EXPECT_FALSE(own_announcement_heard_back(d));  // a whole heartbeat without an echo
}
