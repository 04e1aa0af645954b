// Delivery: engines exchanging MSG, QUICK and FLAG end to end, recipient choice, message
// numbering, the sender's acknowledgement rules against scripted raw servers, and hung
// rooms holding up nobody.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "engine_support.h"
#include "event_sink.h"
#include "net/engine.h"
#include "net/wire.h"
#include "net/worker_pool.h"

using namespace quillnet;

namespace {

// An engine alone on its discovery port, fed hand-made HELLOs for the raw servers.
class EngineDelivery : public ::testing::Test {
protected:
    void SetUp() override {
        ports_ = next_ports();
        Settings settings = engine_settings(ports_, "me", "Desk");
        settings.peer_timeout_ms = 600000;
        ASSERT_TRUE(node_.start(settings));
    }

    void announce(const std::string& id, std::uint16_t port_number) { announce(id, std::to_string(port_number)); }
    void announce(const std::string& id, const std::string& port_text) {
        RawUdp raw(IPV4_LOOPBACK, 0);
        raw.send_to(hello_line(id, "user " + id, "room", port_text), IPV4_LOOPBACK, ports_.discovery);
        ASSERT_TRUE(node_.sink.next_peers_changed());
    }

    SocketLibrary library_;
    TestPorts ports_{};
    Node node_;
};

}  // namespace

TEST(EngineExchange, EnginesExchangeAllThreeKindsWithAcknowledgements) {
    const TestPorts base = next_ports();
    Node a, b;
    ASSERT_TRUE(a.start(engine_settings(base, "ann", "Op 1")));
    ASSERT_TRUE(b.start(engine_settings({base.discovery, next_port()}, "bea", "Op 2")));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 1 && b.engine.snapshot_peers().size() == 1; }));

    int attempted = -1;
    const MessageId id = a.engine.send_message({}, "MSG", "line one\r\nline two", attempted);
    EXPECT_EQ(attempted, 1);
    EXPECT_EQ(id, a.engine.instance_id() + "-0");
    auto received = b.sink.next_message();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->kind, "MSG");
    EXPECT_EQ(received->user, "ann");
    EXPECT_EQ(received->room, "Op 1");
    EXPECT_EQ(received->text, "line one  line two");
    EXPECT_EQ(received->sender_address, "127.0.0.1");
    auto result = a.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->message_id, id);
    EXPECT_EQ(result->acknowledged, 1);
    EXPECT_EQ(result->attempted, 1);

    const MessageId quick = b.engine.send_message({a.engine.instance_id()}, "QUICK", "Will Call", attempted);
    EXPECT_EQ(attempted, 1);
    received = a.sink.next_message();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->kind, "QUICK");
    EXPECT_EQ(received->text, "Will Call");
    EXPECT_EQ(received->user, "bea");
    result = b.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->message_id, quick);
    EXPECT_EQ(result->acknowledged, 1);

    // The receiver matches the label against its own flags, ignoring ASCII case.
    a.engine.set_identity("anna", "Op 3");
    a.engine.send_message({}, "FLAG", "RED", attempted);
    received = b.sink.next_message();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->kind, "FLAG");
    EXPECT_EQ(received->colour, make_colour(220, 30, 30));
    EXPECT_EQ(received->user, "anna");
    EXPECT_EQ(received->room, "Op 3");
    result = a.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->message_id, a.engine.instance_id() + "-1");
    EXPECT_EQ(result->acknowledged, 1);
}

TEST_F(EngineDelivery, NobodyToSendToGivesZeroRecipientsAndNoResult) {
    int attempted = -1;
    EXPECT_EQ(node_.engine.send_message({}, "MSG", "hello?", attempted), node_.engine.instance_id() + "-0");
    EXPECT_EQ(attempted, 0);
    EXPECT_EQ(node_.engine.send_message({"{GONE}"}, "MSG", "hello?", attempted), node_.engine.instance_id() + "-1");
    EXPECT_EQ(attempted, 0);
    EXPECT_FALSE(node_.sink.next_result(500));
}

TEST_F(EngineDelivery, OnlyNamedPeersWithAPortAreChosenOnceEach) {
    RawServer one("ACK\n");
    RawServer two("ACK\n");
    announce("{ONE}", one.port());
    announce("{TWO}", two.port());
    announce("{NOPORT}", "none");
    int attempted = -1;
    node_.engine.send_message({"{TWO}", "{NOPORT}", "{TWO}", "{ELSEWHERE}"}, "MSG", "for two", attempted);
    EXPECT_EQ(attempted, 1);
    auto result = node_.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->acknowledged, 1);
    EXPECT_EQ(result->attempted, 1);
    EXPECT_TRUE(one.frames().empty());
    ASSERT_EQ(two.frames().size(), 1u);
    const ParsedLine frame = parse_line(two.frames()[0]);
    EXPECT_EQ(frame.kind, "MSG");
    EXPECT_EQ(field_or_empty(frame, 0), node_.engine.instance_id() + "-0");
    EXPECT_EQ(field_or_empty(frame, 1), node_.engine.instance_id());
    EXPECT_EQ(field_or_empty(frame, 2), "me");
    EXPECT_EQ(field_or_empty(frame, 3), "Desk");
    EXPECT_EQ(field_or_empty(frame, 4), "for two");

    // Everyone: both peers with a port, never the one without.
    node_.engine.send_message({}, "MSG", "for all", attempted);
    EXPECT_EQ(attempted, 2);
    result = node_.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->acknowledged, 2);
}

TEST_F(EngineDelivery, OnlyRepliesStartingWithAckCount) {
    RawServer plain("ACK\x1F" "whatever\n");
    RawServer longer("ACKNOWLEDGED\n");
    RawServer with_returns("\r\rACK\r\n");
    RawServer unterminated("ACK");
    RawServer two_letters("AC\n");
    RawServer lower("ack\n");
    RawServer refusal("NAK\n");
    RawServer late("ACK\n", 2500);  // first byte after the 1500 ms limit
    RawServer hang_up("", 0, true);
    std::uint16_t switched_off = 0;
    {
        RawServer gone("");
        switched_off = gone.port();
    }
    announce("{A-PLAIN}", plain.port());
    announce("{B-LONGER}", longer.port());
    announce("{C-RETURNS}", with_returns.port());
    announce("{D-UNTERMINATED}", unterminated.port());
    announce("{E-TWO}", two_letters.port());
    announce("{F-LOWER}", lower.port());
    announce("{G-REFUSAL}", refusal.port());
    announce("{H-LATE}", late.port());
    announce("{I-HANGUP}", hang_up.port());
    announce("{J-OFF}", switched_off);
    int attempted = -1;
    const MessageId id = node_.engine.send_message({}, "FLAG", "Red", attempted);
    EXPECT_EQ(attempted, 10);
    auto result = node_.sink.next_result(30000);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->message_id, id);
    EXPECT_EQ(result->attempted, 10);
    EXPECT_EQ(result->acknowledged, 4);
    // The late server did get the frame: it counts as not delivered all the same.
    EXPECT_EQ(late.frames().size(), 1u);
}

TEST_F(EngineDelivery, DeliveryGoesOnAfterTheEngineStops) {
    RawServer slow("ACK\n", 500);
    announce("{SLOW}", slow.port());
    int attempted = -1;
    const MessageId id = node_.engine.send_message({}, "MSG", "still going", attempted);
    EXPECT_EQ(attempted, 1);
    node_.engine.stop();
    auto result = node_.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->message_id, id);
    EXPECT_EQ(result->acknowledged, 1);
}

TEST_F(EngineDelivery, SilentRoomsEarlyInKeyOrderDelayNobody) {
    // Switched-on machines whose program hangs: connections are taken by the system but
    // nothing is ever read or answered.
    std::vector<std::unique_ptr<SocketHolder>> hung;
    for (int i = 0; i < 3; ++i) {
        hung.push_back(std::make_unique<SocketHolder>(open_tcp_socket()));
        bind_ipv4(hung.back()->get(), IPV4_LOOPBACK, 0);
        listen_max_backlog(hung.back()->get());
        announce("{A-HUNG-" + std::to_string(i) + "}", local_port(hung.back()->get()));
    }
    RawServer live_one("ACK\n");
    RawServer live_two("ACK\n");
    announce("{B-LIVE-1}", live_one.port());
    announce("{B-LIVE-2}", live_two.port());
    int attempted = -1;
    const auto sent = std::chrono::steady_clock::now();
    node_.engine.send_message({}, "FLAG", "EMERG", attempted);
    EXPECT_EQ(attempted, 5);
    EXPECT_TRUE(eventually([&] { return live_one.frames().size() == 1 && live_two.frames().size() == 1; }, 700));
    auto result = node_.sink.next_result(10000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->acknowledged, 2);
    EXPECT_EQ(result->attempted, 5);
    // Settled by the 1500 ms wait for the hung rooms' replies, all at once.
    EXPECT_LT(took.count(), 2200);
}

// The delivery workers: tasks that can only end together must all run at once, however
// many workers are already waiting (none may wait behind another).
TEST(DeliveryWorkers, TasksNeverWaitBehindEachOther) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable changed;
        int started = 0;
        int met = 0;
        int finished = 0;
    };
    auto shared = std::make_shared<Shared>();
    constexpr int TASKS = 8;
    for (int round = 0; round < 2; ++round) {  // the second round finds idle workers
        for (int i = 0; i < TASKS; ++i) {
            ASSERT_TRUE(run_on_worker([shared, round] {
                std::unique_lock<std::mutex> lock(shared->mutex);
                ++shared->started;
                shared->changed.notify_all();
                const int all = TASKS * (round + 1);
                if (shared->changed.wait_for(lock, std::chrono::seconds(5), [&] { return shared->started >= all; })) {
                    ++shared->met;
                }
                ++shared->finished;
                shared->changed.notify_all();
            }));
        }
        std::unique_lock<std::mutex> lock(shared->mutex);
        ASSERT_TRUE(shared->changed.wait_for(lock, std::chrono::seconds(10),
                                             [&] { return shared->finished == TASKS * (round + 1); }));
        EXPECT_EQ(shared->met, TASKS * (round + 1));
    }
}
