// Engine start and stop: exact start-up errors, clean failure, BYE only after a real
// start and nothing after it, identity changes carried by the next announcement.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <regex>
#include <thread>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

// Kinds of the announcements of one instance heard by listener within ms.
std::vector<std::string> heard_kinds(RawUdp& listener, const std::string& id, int ms) {
    std::vector<std::string> kinds;
    std::string datagram;
    while (listener.receive(datagram, ms)) {
        for (const auto& line : split_datagram_lines(datagram.data(), datagram.size())) {
            const ParsedLine parsed = parse_line(line);
            if (id.empty() || field_or_empty(parsed, 0) == id) kinds.push_back(parsed.kind);
        }
    }
    return kinds;
}

}  // namespace

TEST(EngineLifecycle, StartsStopsAndStopsAgain) {
    EventSink sink;
    NetworkEngine engine;
    EXPECT_FALSE(engine.running());
    engine.stop();  // nothing started: nothing to do
    std::wstring error;
    ASSERT_TRUE(engine.start(engine_settings(next_ports(), "ann"), sink.window(), error));
    EXPECT_TRUE(engine.running());
    EXPECT_TRUE(std::regex_match(engine.instance_id(),
                                 std::regex("\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}")));
    const std::string first_id = engine.instance_id();
    engine.stop();
    EXPECT_FALSE(engine.running());
    engine.stop();
    // A restarted engine is a new instance, and the message numbering goes on.
    ASSERT_TRUE(engine.start(engine_settings(next_ports(), "ann"), sink.window(), error));
    EXPECT_NE(engine.instance_id(), first_id);
    int attempted = -1;
    EXPECT_EQ(engine.send_message({}, "MSG", "x", attempted), engine.instance_id() + "-0");
    engine.stop();
    ASSERT_TRUE(engine.start(engine_settings(next_ports(), "ann"), sink.window(), error));
    EXPECT_EQ(engine.send_message({}, "MSG", "x", attempted), engine.instance_id() + "-1");
}

TEST(EngineLifecycle, TakenDiscoveryPortGivesTheExactTextAndNoAnnouncement) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    RawUdp blocker(IPV4_ANY, ports.discovery, false);  // not sharing the port
    ASSERT_TRUE(blocker.bound());
    EventSink sink;
    NetworkEngine engine;
    std::wstring error;
    EXPECT_FALSE(engine.start(engine_settings(ports, "ann"), sink.window(), error));
    EXPECT_EQ(error, L"Could not bind UDP discovery port " + std::to_wstring(ports.discovery) +
                         L" (is another copy running?).");
    EXPECT_FALSE(engine.running());
    std::string datagram;
    EXPECT_FALSE(blocker.receive(datagram, 600));
    engine.stop();
}

TEST(EngineLifecycle, TakenMessagePortGivesTheExactTextAndClosesTheDiscoverySocket) {
    SocketLibrary library;
    EventSink sink;
    const TestPorts first_ports = next_ports();
    NetworkEngine first;
    std::wstring error;
    ASSERT_TRUE(first.start(engine_settings(first_ports, "first"), sink.window(), error));

    const TestPorts ports{next_port(), first_ports.message};
    NetworkEngine second;
    {
        RawUdp listener(IPV4_ANY, ports.discovery);  // hears whatever the second engine would announce
        ASSERT_TRUE(listener.bound());
        EXPECT_FALSE(second.start(engine_settings(ports, "second"), sink.window(), error));
        EXPECT_EQ(error, L"Could not bind TCP message port " + std::to_wstring(ports.message) +
                             L" (is another copy running?).");
        EXPECT_FALSE(second.running());
        second.stop();
        // Neither HELLO nor BYE went out.
        EXPECT_TRUE(heard_kinds(listener, "", 600).empty());
    }
    // The discovery socket was closed: the port can be bound exclusively again.
    RawUdp exclusive(IPV4_ANY, ports.discovery, false);
    EXPECT_TRUE(exclusive.bound());
    // The engine that owns the port still works.
    EXPECT_TRUE(first.running());
}

TEST(EngineLifecycle, AnnouncesHelloHeartbeatsAndByeThenFallsSilent) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    RawUdp listener(IPV4_ANY, ports.discovery);
    ASSERT_TRUE(listener.bound());
    EventSink sink;
    NetworkEngine engine;
    std::wstring error;
    ASSERT_TRUE(engine.start(engine_settings(ports, "ann", "Op 1"), sink.window(), error));
    const std::string id = engine.instance_id();
    std::vector<std::string> kinds;
    ASSERT_TRUE(eventually([&] {
        for (const auto& k : heard_kinds(listener, id, 100)) kinds.push_back(k);
        return kinds.size() >= 3;
    }));
    // The first heartbeat may overtake the HELLO that start() sends after the threads.
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), "HELLO"), kinds.end());
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), "HEARTBEAT"), kinds.end());
    engine.stop();
    kinds = heard_kinds(listener, id, 600);
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.back(), "BYE");
    // After stop: nothing more, not even from an explicit request.
    engine.broadcast_discovery("HEARTBEAT");
    engine.stop();
    EXPECT_TRUE(heard_kinds(listener, id, 500).empty());
}

TEST(EngineLifecycle, NewIdentityTravelsWithTheNextHeartbeat) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    RawUdp listener(IPV4_ANY, ports.discovery);
    ASSERT_TRUE(listener.bound());
    EventSink sink;
    NetworkEngine engine;
    std::wstring error;
    ASSERT_TRUE(engine.start(engine_settings(ports, "ann", "Op 1"), sink.window(), error));
    engine.set_identity("bea", "X-Ray");
    bool seen = false;
    ASSERT_TRUE(eventually([&] {
        std::string datagram;
        while (listener.receive(datagram, 100)) {
            const auto lines = split_datagram_lines(datagram.data(), datagram.size());
            if (lines.empty()) continue;
            const ParsedLine p = parse_line(lines[0]);
            if (p.kind == "HEARTBEAT" && field_or_empty(p, 0) == engine.instance_id() &&
                field_or_empty(p, 1) == "bea" && field_or_empty(p, 2) == "X-Ray") {
                EXPECT_EQ(field_or_empty(p, 3), std::to_string(ports.message));
                seen = true;
            }
        }
        return seen;
    }));
}

TEST(EngineLifecycle, NothingButByeGoesOutOnceStopping) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    RawUdp listener(IPV4_ANY, ports.discovery);
    ASSERT_TRUE(listener.bound());
    EventSink sink;
    NetworkEngine engine;
    std::wstring error;
    Settings settings = engine_settings(ports, "ann", "Op 1");
    settings.heartbeat_ms = 1;
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(engine.start(settings, sink.window(), error));
        // Announcements asked for from another thread while stop() says BYE: none may
        // follow the BYE, or the room would come back on every list until it expires.
        std::atomic<bool> asking{true};
        std::thread asker([&] {
            while (asking) {
                engine.broadcast_discovery("HEARTBEAT");
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        engine.stop();
        asking = false;
        asker.join();
        const std::vector<std::string> kinds = heard_kinds(listener, engine.instance_id(), 300);
        const auto bye = std::find(kinds.begin(), kinds.end(), "BYE");
        ASSERT_NE(bye, kinds.end());
        EXPECT_EQ(kinds.end() - bye, 1) << "round " << round;
    }
}
