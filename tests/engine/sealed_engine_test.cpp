// Sealed mode between engines and against hand-made lines: discovery and paging under
// one key, copies that cannot talk (open, another key, a clock off) with their notices,
// and what a sealed copy drops: changed bits, replays, wrong recipients, announcements
// after BYE, plain BYEs, stray acknowledgements. Also the size limits on the sending side.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine_support.h"
#include "event_sink.h"
#include "sealed_forger.h"
#include "net/engine.h"
#include "net/sealed_engine.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

const std::string KEY = "3f1c5a7e9b2d4f6081a3c5e7092b4d6f8e0a2c4e6a8b0d2f4163758a9cbdef01";
const std::string OTHER_KEY = "a0b1c2d3e4f5061728394a5b6c7d8e9fa0b1c2d3e4f5061728394a5b6c7d8e9f";
const std::string HERE = "127.0.0.1";

Settings sealed_settings(const TestPorts& ports, const std::string& user, const std::string& room = "Room",
                         const std::string& key = KEY) {
    Settings s = engine_settings(ports, user, room);
    s.site_key = key;
    return s;
}

std::string inner(const std::string& kind, const std::vector<std::string>& fields) {
    const std::string line = encode_line(kind, fields);
    return line.substr(0, line.size() - 1);
}

std::string unterminated(const std::string& line) { return line.substr(0, line.size() - 1); }

std::string notice(const std::string& rest) { return HERE + " runs Quillnet " + rest; }

class SealedReceiver : public ::testing::Test {
protected:
    void SetUp() override {
        ports_ = next_ports();
        Settings settings = sealed_settings(ports_, "me", "Desk");
        settings.peer_timeout_ms = 600000;  // hand-made peers stay until they say BYE
        ASSERT_TRUE(node_.start(settings));
    }
    std::string frame_for_me(const std::string& id, const std::string& text) {
        return forger_.line(node_.engine.instance_id(), "MSG", {"{S}-" + id, "{S}", "ann", "Op 1", text});
    }
    void announce(const std::string& line) { raw_.send_to(line, IPV4_LOOPBACK, ports_.discovery); }
    bool listed(const std::string& id) {
        for (const auto& p : node_.engine.snapshot_peers()) {
            if (p.id == id) return true;
        }
        return false;
    }

    SocketLibrary library_;
    TestPorts ports_{};
    Node node_;
    Forger forger_{KEY};
    RawUdp raw_{IPV4_LOOPBACK, 0};
};

}  // namespace

TEST(SealedEngine, TwoSealedEnginesDiscoverAndPageWithoutNotices) {
    const TestPorts base = next_ports();
    Node a, b;
    ASSERT_TRUE(a.start(sealed_settings(base, "ann", "Op 1")));
    ASSERT_TRUE(b.start(sealed_settings({base.discovery, next_port()}, "bea", "Op 2")));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 1 && b.engine.snapshot_peers().size() == 1; }));
    EXPECT_EQ(a.engine.snapshot_peers()[0].room, "Op 2");
    int attempted = 0;
    const MessageId id = a.engine.send_message({}, "MSG", "Mrs Patel is here", attempted);
    ASSERT_EQ(attempted, 1);
    auto m = b.sink.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "Mrs Patel is here");
    EXPECT_EQ(m->room, "Op 1");
    auto r = a.sink.next_result();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message_id, id);
    EXPECT_EQ(r->acknowledged, 1);
    EXPECT_TRUE(a.sink.notices_within(0).empty());
    EXPECT_TRUE(b.sink.notices_within(0).empty());
}

TEST(SealedEngine, CopiesThatCannotTalkNeverSeeEachOtherAndNoticeOnce) {
    struct Case {
        Settings b_settings;
        std::int64_t b_clock_offset;
        std::vector<std::string> a_notices, b_notices;
    };
    const auto run = [](const char* name, const std::string& b_key, std::int64_t b_offset,
                        const std::vector<std::string>& a_expected, const std::vector<std::string>& b_expected) {
        SCOPED_TRACE(name);
        const TestPorts base = next_ports();
        Node a, b;
        ASSERT_TRUE(a.start(sealed_settings(base, "ann")));
        b.engine.set_wall_clock([b_offset] { return system_wall_clock() + b_offset; });
        ASSERT_TRUE(b.start(sealed_settings({base.discovery, next_port()}, "bea", "Room", b_key)));
        // Several heartbeats each way.
        EXPECT_EQ(a.sink.notices_within(1500), a_expected);
        EXPECT_EQ(b.sink.notices_within(0), b_expected);
        EXPECT_TRUE(a.engine.snapshot_peers().empty());
        EXPECT_TRUE(b.engine.snapshot_peers().empty());
    };
    run("open", "", 0, {notice("without the site key; it cannot page this room or be paged.")},
        {notice("with a site key; set the same key to page it.")});
    run("other key", OTHER_KEY, 0, {notice("with a different site key; it cannot page this room or be paged.")},
        {notice("with a different site key; it cannot page this room or be paged.")});
    run("clock", KEY, 6 * 60000 + 10000, {notice("with a clock 6 minutes off; its pages are refused.")},
        {notice("with a clock 6 minutes off; its pages are refused.")});
}

TEST(SealedEngine, InvalidKeyFailsClosedWithNoSocketOpen) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    for (const std::string& bad : {KEY.substr(1), KEY + "0", "zz" + KEY.substr(2)}) {
        Node a;
        std::wstring error;
        EXPECT_FALSE(a.engine.start(sealed_settings(ports, "ann", "Room", bad), a.sink.window(), error));
        EXPECT_EQ(error, INVALID_SITE_KEY_TEXT);
        EXPECT_FALSE(a.engine.running());
    }
    // Both ports are still free.
    RawUdp udp(IPV4_ANY, ports.discovery, false);
    EXPECT_TRUE(udp.bound());
    SocketHolder tcp(open_tcp_socket());
    EXPECT_TRUE(bind_ipv4(tcp.get(), IPV4_ANY, ports.message));
}

TEST_F(SealedReceiver, FrameIsAcknowledgedSealedAndItsReplayDropped) {
    const std::string frame = frame_for_me("0", "hello");
    const std::string reply = converse(ports_.message, frame);
    const SealedOpening ack = forger_.wire.open(unterminated(reply), SealedPort::acknowledgement, "{S}");
    ASSERT_EQ(ack.check, SealedCheck::accepted) << reply;
    EXPECT_EQ(ack.inner, inner("ACK", {"{S}-0", node_.engine.instance_id()}));
    auto m = node_.sink.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "hello");
    // The captured frame again: no acknowledgement and nothing shown.
    EXPECT_EQ(converse(ports_.message, frame), "");
    EXPECT_FALSE(node_.sink.next_message(500));
}

TEST_F(SealedReceiver, ChangedLinesWrongRecipientsKindsAndPlainFramesAreDropped) {
    const std::string frame = frame_for_me("1", "flip me");
    for (std::size_t i = 0; i + 1 < frame.size(); i += 5) {
        std::string changed = frame;
        changed[i] = static_cast<char>(changed[i] ^ (1 << (i % 8)));
        EXPECT_EQ(converse(ports_.message, changed), "") << i;
    }
    EXPECT_EQ(converse(ports_.message, forger_.line("{ELSEWHERE}", "MSG", {"{S}-2", "{S}", "ann", "r", "x"})), "");
    EXPECT_EQ(converse(ports_.message, forger_.line(node_.engine.instance_id(), "PAGE", {"{S}-3", "{S}", "a", "r", "x"})), "");
    EXPECT_EQ(converse(ports_.message, forger_.line("", "HELLO", {"{S}", "ann", "r", "1"})), "");
    EXPECT_EQ(converse(ports_.message, encode_line("MSG", {"{S}-4", "{S}", "ann", "r", "plain"})), "");
    EXPECT_EQ(converse(ports_.message, Forger(OTHER_KEY).line(node_.engine.instance_id(), "MSG", {"{S}-5", "{S}", "a", "r", "x"})), "");
    // Unchanged, the frame still goes through: nothing above was taken for it.
    EXPECT_NE(converse(ports_.message, frame), "");
    auto m = node_.sink.next_message();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "flip me");
    EXPECT_FALSE(node_.sink.next_message(300));
    EXPECT_EQ(node_.sink.notices_within(0),
              std::vector<std::string>{notice("with a different site key; it cannot page this room or be paged.")});
}

TEST_F(SealedReceiver, FrameSixMinutesOffIsRefusedWithOneNotice) {
    for (const std::int64_t offset : {-6 * 60000, 6 * 60000 + 20000}) {
        Forger skewed(KEY, offset);
        EXPECT_EQ(converse(ports_.message, skewed.line(node_.engine.instance_id(), "MSG", {"{S}-0", "{S}", "a", "r", "x"})), "");
    }
    EXPECT_FALSE(node_.sink.next_message(300));
    EXPECT_EQ(node_.sink.notices_within(0),
              std::vector<std::string>{notice("with a clock 6 minutes off; its pages are refused.")});
}

TEST_F(SealedReceiver, AnnouncementsAfterByeAndPlainByesChangeNothing) {
    const std::string hello = forger_.line("", "HELLO", {"{F}", "fay", "Op 3", "4000"});
    const std::string held_heartbeat = forger_.line("", "HEARTBEAT", {"{F}", "fay", "Op 3", "4000"});
    announce(hello);
    ASSERT_TRUE(eventually([&] { return listed("{F}"); }));
    // A plain BYE from anyone on the LAN does not take a sealed room off the list; it is
    // noticed once however often it comes.
    announce(encode_line("BYE", {"{F}"}));
    announce(encode_line("BYE", {"{F}"}));
    EXPECT_EQ(node_.sink.notices_within(1000),
              std::vector<std::string>{notice("without the site key; it cannot page this room or be paged.")});
    EXPECT_TRUE(listed("{F}"));
    announce(forger_.line("", "BYE", {"{F}"}));
    ASSERT_TRUE(eventually([&] { return !listed("{F}"); }));
    // An announcement captured before the BYE, and the HELLO itself, do not bring it back.
    announce(held_heartbeat);
    announce(hello);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(listed("{F}"));
    EXPECT_TRUE(node_.sink.notices_within(0).empty());
}

TEST_F(SealedReceiver, AcknowledgementsCountOnlyForTheMessageAndPeerSentTo) {
    const std::string own = node_.engine.instance_id();
    struct Case {
        const char* name;
        std::string reply;
        int acknowledged;
    };
    // Messages are numbered from 0 in the order sent below.
    const std::vector<Case> cases = {
        {"right", forger_.line(own, "ACK", {own + "-0", "{P0}"}), 1},
        {"other message", forger_.line(own, "ACK", {own + "-99", "{P1}"}), 0},
        {"other instance", forger_.line(own, "ACK", {own + "-2", "{Q}"}), 0},
        {"for another sender", forger_.line("{Z}", "ACK", {own + "-3", "{P3}"}), 0},
        {"plain", encode_line("ACK", {own + "-4"}), 0},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        RawServer server(cases[i].reply);
        const std::string peer = "{P" + std::to_string(i) + "}";
        announce(forger_.line("", "HELLO", {peer, "p", "r", std::to_string(server.port())}));
        ASSERT_TRUE(eventually([&] { return listed(peer); }));
        int attempted = 0;
        node_.engine.send_message({peer}, "MSG", "to " + peer, attempted);
        auto r = node_.sink.next_result();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->acknowledged, cases[i].acknowledged);
        ASSERT_EQ(server.frames().size(), 1u);
        // The frame on the wire is sealed for this peer alone.
        const SealedOpening opened = forger_.wire.open(server.frames()[0], SealedPort::frame, peer);
        ASSERT_EQ(opened.check, SealedCheck::accepted);
        EXPECT_EQ(parse_line(opened.inner).fields.at(4), "to " + peer);
    }
}

TEST_F(SealedReceiver, LongestNamesFitADatagramAndLongestTextAFrame) {
    // Two-byte characters, far longer than a datagram.
    std::string user, room;
    for (int i = 0; i < 1500; ++i) user += "\xC3\xA9";
    for (int i = 0; i < 1500; ++i) room += "\xC3\xBC";
    node_.engine.set_identity(user, room);
    std::string datagram;
    SealedOpening heard;
    {
        RawUdp listener(IPV4_ANY, ports_.discovery);
        node_.engine.broadcast_discovery("HEARTBEAT");
        ASSERT_TRUE(eventually([&] {
            if (!listener.receive(datagram, 100)) return false;
            heard = forger_.wire.open(unterminated(datagram), SealedPort::discovery, "{X}");
            return heard.check == SealedCheck::accepted && parse_line(heard.inner).kind == "HEARTBEAT" &&
                   parse_line(heard.inner).fields.at(1).size() > 100;
        }));
    }
    EXPECT_LE(datagram.size(), SEALED_DATAGRAM_LIMIT);
    EXPECT_GE(datagram.size(), SEALED_DATAGRAM_LIMIT - 40);
    const ParsedLine announced = parse_line(heard.inner);
    const std::string& heard_user = announced.fields.at(1);
    const std::string& heard_room = announced.fields.at(2);
    EXPECT_EQ(user.compare(0, heard_user.size(), heard_user), 0);
    EXPECT_EQ(room.compare(0, heard_room.size(), heard_room), 0);
    EXPECT_EQ(heard_user.size() % 2, 0u);  // no character split
    EXPECT_EQ(heard_room.size() % 2, 0u);

    // The longest text the compose field allows travels whole in one frame.
    node_.engine.set_identity("Dr Okafor", "Consulting room 2");
    RawServer server(std::string{});
    announce(forger_.line("", "HELLO", {std::string(38, 'P'), "p", "r", std::to_string(server.port())}));
    ASSERT_TRUE(eventually([&] { return listed(std::string(38, 'P')); }));
    const std::string text(max_text_bytes(9, 17), 't');
    int attempted = 0;
    node_.engine.send_message({}, "MSG", text, attempted);
    ASSERT_TRUE(node_.sink.next_result());
    ASSERT_EQ(server.frames().size(), 1u);
    EXPECT_LT(server.frames()[0].size() + 1, FRAME_READ_LIMIT);
    const SealedOpening opened = forger_.wire.open(server.frames()[0], SealedPort::frame, std::string(38, 'P'));
    ASSERT_EQ(opened.check, SealedCheck::accepted);
    EXPECT_EQ(parse_line(opened.inner).fields.at(4), text);
}

TEST_F(SealedReceiver, SealedAcknowledgementTricklingInIsNotDeliveredAfterFiveSeconds) {
    const std::string own = node_.engine.instance_id();
    RawServer trickler(forger_.line(own, "ACK", {own + "-0", "{T}"}), 0, false, 1000);
    announce(forger_.line("", "HELLO", {"{T}", "t", "r", std::to_string(trickler.port())}));
    ASSERT_TRUE(eventually([&] { return listed("{T}"); }));
    int attempted = 0;
    const auto sent = std::chrono::steady_clock::now();
    node_.engine.send_message({"{T}"}, "MSG", "slow", attempted);
    auto result = node_.sink.next_result(9000);
    const auto took = std::chrono::steady_clock::now() - sent;
    ASSERT_TRUE(result);
    EXPECT_EQ(result->acknowledged, 0);
    EXPECT_GE(took, std::chrono::milliseconds(4500));
}

TEST_F(SealedReceiver, RecordingOfAnEarlierInstanceDoesNotPushALiveRoomOff) {
    // Same room, same address and port: first an instance whose announcement is
    // recorded, then the instance that runs now; the recording comes back afterwards.
    Forger earlier(KEY, -60000);
    const std::string recorded = earlier.line("", "HELLO", {"{EARLIER}", "fay", "Op 3", "4100"});
    announce(forger_.line("", "HELLO", {"{LIVE}", "fay", "Op 3", "4100"}));
    ASSERT_TRUE(eventually([&] { return listed("{LIVE}"); }));
    announce(recorded);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(listed("{LIVE}"));
    EXPECT_FALSE(listed("{EARLIER}"));
    // A copy restarted after a crash (a later line, a new id) still takes the room over.
    announce(Forger(KEY).line("", "HELLO", {"{RESTARTED}", "fay", "Op 3", "4100"}));
    ASSERT_TRUE(eventually([&] { return listed("{RESTARTED}"); }));
    EXPECT_FALSE(listed("{LIVE}"));
}

TEST(SealedEngineOpenMode, SealedFrameOnAnOpenEngineIsDroppedWithOneNotice) {
    SocketLibrary library;
    const TestPorts ports = next_ports();
    Node a;
    ASSERT_TRUE(a.start(engine_settings(ports, "ann")));
    Forger forger{KEY};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(converse(ports.message, forger.line(a.engine.instance_id(), "MSG", {"{S}-0", "{S}", "a", "r", "x"})), "");
    }
    EXPECT_FALSE(a.sink.next_message(300));
    EXPECT_EQ(a.sink.notices_within(0),
              std::vector<std::string>{HERE + " sent a sealed page; set the site key to receive pages from it."});
}

// Run by tests/lan/lan_test.sh on a simulated LAN host, against a native sealed engine
// named "native" (the other crypto module): each pages the other under the same key.
TEST(SealedInterop, PagesTheNativePeerOnTheLan) {
    const char* key = std::getenv("QN_INTEROP_KEY");
    if (!key) GTEST_SKIP() << "needs the LAN test's hosts";
    SocketLibrary library;
    Node node;
    Settings settings = sealed_settings({45777, 45778}, "winroom", "Wine", key);
    settings.peer_timeout_ms = 60000;
    ASSERT_TRUE(node.start(settings));
    InstanceId peer;
    ASSERT_TRUE(eventually(
        [&] {
            for (const auto& p : node.engine.snapshot_peers()) {
                if (p.user == "native") peer = p.id;
            }
            return !peer.empty();
        },
        60000));
    int attempted = 0;
    node.engine.send_message({peer}, "MSG", "from windows", attempted);
    auto result = node.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->acknowledged, 1);
    auto m = node.sink.next_message(60000);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->user, "native");
    EXPECT_EQ(m->text, "from native");
}
