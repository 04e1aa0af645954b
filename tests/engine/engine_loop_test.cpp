// The paging loop between engines and against hand-made lines, in open and in sealed
// mode: raised flags in announcements and on the peers' boards, the extra HEARTBEAT,
// CLEAR and SEEN with every rule that ignores them, the escalation of urgent pages, and
// copies of the older protocol that must never see SEEN or CLEAR.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_support.h"
#include "event_sink.h"
#include "net/announcement.h"
#include "net/clock.h"
#include "net/engine.h"
#include "net/wire.h"
#include "qnsend/qnsend.h"
#include "sealed_forger.h"

#include <thread>

using namespace quillnet;

namespace {

const std::string KEY = "5e1c5a7e9b2d4f6081a3c5e7092b4d6f8e0a2c4e6a8b0d2f4163758a9cbdef01";

const PeerRecord* find_peer(const PeerSnapshot& peers, const std::string& id) {
    for (const auto& p : peers)
        if (p.id == id) return &p;
    return nullptr;
}

std::vector<std::string> flag_labels(const NetworkEngine& engine, const std::string& id) {
    const PeerSnapshot peers = engine.snapshot_peers();
    const PeerRecord* p = find_peer(peers, id);
    std::vector<std::string> labels;
    if (p)
        for (const auto& f : p->flags) labels.push_back(f.label);
    return labels;
}

// Each case runs open (false) and sealed (true).
class EngineLoop : public ::testing::TestWithParam<bool> {
protected:
    bool sealed() const { return GetParam(); }
    Settings settings(const TestPorts& ports, const std::string& user, const std::string& room) {
        Settings s = engine_settings(ports, user, room);
        if (sealed()) s.site_key = KEY;
        return s;
    }
    // An announcement or frame as another copy of this mode would send it.
    std::string datagram(const std::string& kind, const std::vector<std::string>& fields) {
        return sealed() ? forger_.line("", kind, fields) : encode_line(kind, fields);
    }
    std::string frame(const std::string& recipient, const std::string& kind, const std::vector<std::string>& fields) {
        return sealed() ? forger_.line(recipient, kind, fields) : encode_line(kind, fields);
    }
    // The inner lines of datagrams heard on listener within ms from instance id.
    std::vector<ParsedLine> heard(RawUdp& listener, const std::string& id, int ms) {
        std::vector<ParsedLine> lines;
        std::string bytes;
        const std::int64_t end = milliseconds_since_start() + ms;
        while (milliseconds_since_start() < end &&
               listener.receive(bytes, static_cast<int>(end - milliseconds_since_start()))) {
            for (const auto& line : split_datagram_lines(bytes.data(), bytes.size())) {
                std::string text = line;
                if (sealed()) {
                    const SealedOpening o = reader_.wire.open(line, SealedPort::discovery, "{LISTENER}");
                    if (o.check != SealedCheck::accepted) continue;
                    text = o.inner;
                }
                ParsedLine parsed = parse_line(text);
                if (field_or_empty(parsed, 0) == id) lines.push_back(std::move(parsed));
            }
        }
        return lines;
    }

    SocketLibrary library_;
    Forger forger_{KEY};
    Forger reader_{KEY};
};

}  // namespace

TEST_P(EngineLoop, RaiseSendsAnExtraHeartbeatWithTheFlagAtOnceAndAtMostOnePer250ms) {
    const TestPorts ports = next_ports();
    RawUdp listener(0x7F000002, ports.discovery);
    ASSERT_TRUE(listener.bound());
    Node a;
    Settings s = settings(ports, "ann", "Op 1");
    s.heartbeat_ms = 5000;  // regular heartbeats far apart
    s.seed_peers = {"127.0.0.2"};
    ASSERT_TRUE(a.start(s));
    heard(listener, a.engine.instance_id(), 400);  // HELLO and the first HEARTBEAT

    const std::int64_t raised = milliseconds_since_start();
    EXPECT_EQ(a.engine.raise_flag("Red"), RaiseResult::raised);
    std::vector<ParsedLine> lines = heard(listener, a.engine.instance_id(), 150);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LT(milliseconds_since_start() - raised, 1000);
    EXPECT_EQ(lines[0].kind, "HEARTBEAT");
    EXPECT_EQ(field_or_empty(lines[0], 4), "L1");
    EXPECT_EQ(field_or_empty(lines[0], 5), "0 Red");

    // Three changes in quick succession: one extra at once is already spent, so they
    // come together at the end of the 250 ms.
    a.engine.raise_flag("Blue");
    a.engine.raise_flag("Green");
    a.engine.clear_own_flag("Red");
    lines = heard(listener, a.engine.instance_id(), 600);
    ASSERT_GE(lines.size(), 1u);
    ASSERT_LE(lines.size(), 2u);
    const ParsedLine& last = lines.back();
    EXPECT_EQ(field_or_empty(last, 5), "0 Blue");
    EXPECT_EQ(field_or_empty(last, 6), "0 Green");
    EXPECT_EQ(last.fields.size(), 7u);
    std::vector<OwnFlag> own = a.engine.own_flags();
    ASSERT_EQ(own.size(), 2u);
    EXPECT_EQ(own[0].label, "Blue");

    // Eight at most; a ninth is not kept, and raising a kept one again is.
    for (const char* label : {"F3", "F4", "F5", "F6", "F7", "F8"}) a.engine.raise_flag(label);
    EXPECT_EQ(a.engine.raise_flag("Teal"), RaiseResult::not_kept);
    EXPECT_EQ(a.engine.raise_flag("Blue"), RaiseResult::raised);
    EXPECT_EQ(a.engine.own_flags().back().label, "Blue");
    EXPECT_FALSE(a.engine.clear_own_flag("Teal"));

    // Own flags survive a restart of the engine and are announced again.
    a.engine.stop();
    ASSERT_TRUE(a.start(s));
    EXPECT_EQ(a.engine.own_flags().size(), 8u);
    lines = heard(listener, a.engine.instance_id(), 400);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const ParsedLine& l) { return l.kind == "HELLO"; }));
    for (const auto& line : lines) EXPECT_EQ(line.fields.size(), 13u) << line.kind;
}

TEST_P(EngineLoop, BoardsAgreeWithinAHeartbeatAndALaterCopySeesBoth) {
    const TestPorts base = next_ports();
    Node a, b, c;
    ASSERT_TRUE(a.start(settings(base, "ann", "Op 1")));
    ASSERT_TRUE(b.start(settings({base.discovery, next_port()}, "bea", "Op 2")));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 1 && b.engine.snapshot_peers().size() == 1; }));
    a.engine.raise_flag("Red");
    b.engine.raise_flag("Blue");
    const std::int64_t raised = milliseconds_since_start();
    ASSERT_TRUE(eventually([&] {
        return flag_labels(a.engine, b.engine.instance_id()) == std::vector<std::string>{"Blue"} &&
               flag_labels(b.engine, a.engine.instance_id()) == std::vector<std::string>{"Red"};
    }));
    EXPECT_LT(milliseconds_since_start() - raised, 200 + 250);
    EXPECT_TRUE(find_peer(a.engine.snapshot_peers(), b.engine.instance_id())->speaks_l1);

    const std::int64_t started = milliseconds_since_start();
    ASSERT_TRUE(c.start(settings({base.discovery, next_port()}, "cal", "Op 3")));
    ASSERT_TRUE(eventually([&] {
        return flag_labels(c.engine, a.engine.instance_id()) == std::vector<std::string>{"Red"} &&
               flag_labels(c.engine, b.engine.instance_id()) == std::vector<std::string>{"Blue"};
    }));
    EXPECT_LT(milliseconds_since_start() - started, 200 + 300);  // one heartbeat and a margin
    const PeerSnapshot board = c.engine.snapshot_peers();
    const PeerRecord* seen = find_peer(board, a.engine.instance_id());
    ASSERT_NE(seen, nullptr);
    EXPECT_LE(seen->flags[0].raised_ms, milliseconds_since_start());

    // BYE takes the flags away with their source, and so does expiry.
    b.engine.stop();
    auto gone = a.sink.next_payload<PeerFlagsGone>(WM_APP_PEER_FLAGS_GONE);
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->source, "Op 2");
    EXPECT_EQ(gone->labels, std::vector<std::string>{"Blue"});
}

TEST_P(EngineLoop, FlagsOfASilentPeerGoWhenItExpires) {
    const TestPorts ports = next_ports();
    Node a;
    ASSERT_TRUE(a.start(settings(ports, "ann", "Op 1")));
    RawUdp raw(IPV4_LOOPBACK, 0);
    raw.send_to(datagram("HELLO", {"{P}", "Dr Lee", "", "45000", "L1", "5 Red", "7 Blue"}), IPV4_LOOPBACK,
                ports.discovery);
    ASSERT_TRUE(eventually([&] { return flag_labels(a.engine, "{P}").size() == 2; }));
    auto gone = a.sink.next_payload<PeerFlagsGone>(WM_APP_PEER_FLAGS_GONE, 5000);
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->source, "Dr Lee");
    EXPECT_EQ(gone->labels, (std::vector<std::string>{"Red", "Blue"}));
}

TEST_P(EngineLoop, ClearFromAPeerClearsAndIsAcknowledged) {
    const TestPorts base = next_ports();
    Node a, b;
    ASSERT_TRUE(a.start(settings(base, "ann", "Op 1")));
    ASSERT_TRUE(b.start(settings({base.discovery, next_port()}, "Dr Lee", "Op 2")));
    a.engine.raise_flag("Red");
    ASSERT_TRUE(eventually([&] { return flag_labels(b.engine, a.engine.instance_id()).size() == 1 &&
                                        find_peer(a.engine.snapshot_peers(), b.engine.instance_id()); }));
    int attempted = -1;
    const MessageId id = b.engine.clear_peer_flag(a.engine.instance_id(), "Red", 0, attempted);
    EXPECT_EQ(attempted, 1);
    auto result = b.sink.next_result();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->message_id, id);
    EXPECT_EQ(result->acknowledged, 1);
    auto cleared = a.sink.next_payload<OwnFlagCleared>(WM_APP_OWN_FLAG_CLEARED);
    ASSERT_TRUE(cleared);
    EXPECT_EQ(cleared->label, "Red");
    EXPECT_EQ(cleared->clearer_user, "Dr Lee");
    EXPECT_EQ(cleared->clearer_room, "Op 2");
    EXPECT_TRUE(a.engine.own_flags().empty());
    ASSERT_TRUE(eventually([&] { return flag_labels(b.engine, a.engine.instance_id()).empty(); }));
    // A CLEAR is never shown as a message.
    EXPECT_EQ(a.sink.count_within(WM_APP_MESSAGE_RECEIVED, 200), 0);
    // The owner gone from the list: nothing is sent.
    EXPECT_FALSE(b.engine.clear_peer_flag("{NOBODY}", "Red", 0, attempted).empty());
    EXPECT_EQ(attempted, 0);
}

TEST_P(EngineLoop, ClearIsIgnoredButAcknowledgedUnlessEveryRuleHolds) {
    const TestPorts ports = next_ports();
    Node a;
    Settings s = settings(ports, "ann", "Op 1");
    s.peer_timeout_ms = 600000;
    ASSERT_TRUE(a.start(s));
    const std::string me = a.engine.instance_id();
    RawUdp here(IPV4_LOOPBACK, 0);
    here.send_to(datagram("HELLO", {"{C}", "Dr Lee", "Op 2", "45000", "L1"}), IPV4_LOOPBACK, ports.discovery);
    RawUdp elsewhere(0x7F000002, 0);  // a clearer listed at another address
    elsewhere.send_to(datagram("HELLO", {"{FAR}", "Far", "Op 9", "45001", "L1"}), IPV4_LOOPBACK, ports.discovery);
    here.send_to(datagram("HELLO", {"{OLD}", "Old", "Op 8", "45002"}), IPV4_LOOPBACK, ports.discovery);
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 3; }));
    const PeerSnapshot listed = a.engine.snapshot_peers();
    // Wine sends from the first loopback address whatever the socket is bound to; the
    // case then cannot be made there.
    const bool far_elsewhere = find_peer(listed, "{FAR}")->address == "127.0.0.2";
    a.engine.raise_flag("Red");

    struct Case {
        const char* what;
        std::vector<std::string> fields;
    };
    const std::vector<Case> ignored = {
        {"label not raised", {"{C}-1", "{C}", "Dr Lee", "Op 2", "red", me, "0"}},
        {"another owner", {"{C}-2", "{C}", "Dr Lee", "Op 2", "Red", "{SOMEONE}", "0"}},
        {"clearer at another address", {"{FAR}-3", "{FAR}", "Far", "Op 9", "Red", me, "0"}},
        {"clearer without L1", {"{OLD}-4", "{OLD}", "Old", "Op 8", "Red", me, "0"}},
        {"clearer not listed", {"{X}-5", "{X}", "X", "X", "Red", me, "0"}},
        {"raised again after the clearer saw it", {"{C}-6", "{C}", "Dr Lee", "Op 2", "Red", me, "100"}},
    };
    for (const auto& c : ignored) {
        if (!far_elsewhere && c.fields[1] == "{FAR}") continue;
        const std::string reply = converse(ports.message, frame(me, "CLEAR", c.fields), 5000);
        if (sealed()) {
            EXPECT_EQ(reply.compare(0, 4, "QS1\x1F"), 0) << c.what;
        } else {
            EXPECT_EQ(reply, encode_line("ACK", {c.fields[0]})) << c.what;
        }
        EXPECT_EQ(a.engine.own_flags().size(), 1u) << c.what;
    }
    EXPECT_EQ(a.sink.count_within(WM_APP_OWN_FLAG_CLEARED, 100), 0);
    EXPECT_EQ(a.sink.count_within(WM_APP_MESSAGE_RECEIVED, 100), 0);
    // Cut short (no line feed): not even acknowledged.
    std::string cut = frame(me, "CLEAR", {"{C}-7", "{C}", "Dr Lee", "Op 2", "Red", me, "0"});
    cut.pop_back();
    EXPECT_EQ(converse(ports.message, cut, 6000), "");
    EXPECT_EQ(a.engine.own_flags().size(), 1u);
    // All rules hold: cleared.
    EXPECT_FALSE(converse(ports.message, frame(me, "CLEAR", {"{C}-8", "{C}", "Dr Lee", "Op 2", "Red", me, "1"}), 5000)
                     .empty());
    EXPECT_TRUE(a.engine.own_flags().empty());
    EXPECT_TRUE(a.sink.next_payload<OwnFlagCleared>(WM_APP_OWN_FLAG_CLEARED, 2000));
}

TEST_P(EngineLoop, SeenForAPageSentIsReportedOnceAndOthersAreIgnored) {
    const TestPorts base = next_ports();
    Node a, b;
    Settings sa = settings(base, "ann", "Op 1");
    sa.urgent_escalate_s = 1;
    ASSERT_TRUE(a.start(sa));
    ASSERT_TRUE(b.start(settings({base.discovery, next_port()}, "Dr Lee", "Op 2")));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 1 && b.engine.snapshot_peers().size() == 1; }));
    int attempted = 0;
    const MessageId page = a.engine.send_message({}, "QUICK", "Will Call", attempted, true);
    auto received = b.sink.next_message();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->message_id, page);
    EXPECT_EQ(received->sender_id, a.engine.instance_id());
    EXPECT_TRUE(received->urgent);
    EXPECT_GT(received->arrived_ms, 0);
    ASSERT_NE(received->reply_port, 0);
    ASSERT_TRUE(a.sink.next_result());
    const SeenRequest request{received->message_id, received->sender_id, received->sender_address,
                              received->reply_port, received->arrived_ms};
    b.engine.acknowledge_pages({request});
    auto seen = a.sink.next_payload<PageSeen>(WM_APP_PAGE_SEEN);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->page_id, page);
    EXPECT_EQ(seen->recipient_user, "Dr Lee");
    EXPECT_EQ(seen->recipient_room, "Op 2");
    EXPECT_EQ(seen->body, "\xC2\xBB Will Call");
    // Seen in time: no escalation.
    EXPECT_EQ(a.sink.count_within(WM_APP_NOT_SEEN, 1500), 0);
    // Twice, unknown page, a room the page did not go to: acknowledged, nothing shown.
    b.engine.acknowledge_pages({request});
    const std::string me = a.engine.instance_id();
    const std::string b_id = b.engine.instance_id();
    for (const auto& fields : std::vector<std::vector<std::string>>{
             {"{B}-9", b_id, "Dr Lee", "Op 2", me + "-999"}, {"{Z}-1", "{Z}", "Z", "Z", page}}) {
        EXPECT_FALSE(converse(base.message, frame(me, "SEEN", fields), 5000).empty());
    }
    EXPECT_EQ(a.sink.count_within(WM_APP_PAGE_SEEN, 500), 0);
    EXPECT_EQ(a.sink.count_within(WM_APP_MESSAGE_RECEIVED, 100), 0);
}

TEST_P(EngineLoop, UrgentPageNotSeenInTimeIsReportedOnce) {
    const TestPorts base = next_ports();
    Node a, b;
    Settings sa = settings(base, "ann", "Op 1");
    sa.urgent_escalate_s = 1;
    ASSERT_TRUE(a.start(sa));
    ASSERT_TRUE(b.start(settings({base.discovery, next_port()}, "Dr Lee", "Op 2")));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 1; }));
    int attempted = 0;
    const std::int64_t sent = milliseconds_since_start();
    const MessageId page = a.engine.send_message({}, "QUICK", "EMERG", attempted, true);
    a.engine.send_message({}, "QUICK", "Wait", attempted, false);  // not urgent: never checked
    auto report = a.sink.next_payload<PageNotSeen>(WM_APP_NOT_SEEN, 5000);
    ASSERT_TRUE(report);
    EXPECT_GE(milliseconds_since_start() - sent, 1000);
    EXPECT_EQ(report->page_id, page);
    EXPECT_EQ(report->body, "\xC2\xBB EMERG");
    EXPECT_EQ(report->recipients, (std::vector<std::pair<std::string, std::string>>{{"Dr Lee", "Op 2"}}));
    EXPECT_EQ(a.sink.count_within(WM_APP_NOT_SEEN, 1500), 0);
}

// The configuration dialog changes the wait while the engine runs; the next check uses it.
TEST_P(EngineLoop, ATimeToTellTheSenderChangedWhileRunningAppliesToTheNextCheck) {
    const TestPorts base = next_ports();
    Node a, b;
    ASSERT_TRUE(a.start(settings(base, "ann", "Op 1")));  // the default: 60 s
    ASSERT_TRUE(b.start(settings({base.discovery, next_port()}, "Dr Lee", "Op 2")));
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 1; }));
    a.engine.set_urgent_escalate_s(1);
    int attempted = 0;
    const MessageId page = a.engine.send_message({}, "QUICK", "EMERG", attempted, true);
    auto report = a.sink.next_payload<PageNotSeen>(WM_APP_NOT_SEEN, 5000);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->page_id, page);
    a.engine.set_urgent_escalate_s(0);  // off: no further check reports
    a.engine.send_message({}, "QUICK", "EMERG", attempted, true);
    EXPECT_EQ(a.sink.count_within(WM_APP_NOT_SEEN, 2500), 0);
}

TEST_P(EngineLoop, OldProtocolPeerGetsNoClearOrSeenIsNeverReportedAndItsPagesAreShown) {
    const TestPorts ports = next_ports();
    Node a;
    Settings s = settings(ports, "ann", "Op 1");
    s.urgent_escalate_s = 1;
    s.peer_timeout_ms = 600000;
    ASSERT_TRUE(a.start(s));
    const std::string me = a.engine.instance_id();
    RawServer old_copy(sealed() ? "" : "ACK\n");
    RawUdp raw(IPV4_LOOPBACK, 0);
    raw.send_to(datagram("HELLO", {"{OLD}", "Old", "Op 8", std::to_string(old_copy.port())}), IPV4_LOOPBACK,
                ports.discovery);
    ASSERT_TRUE(eventually([&] { return a.engine.snapshot_peers().size() == 1; }));
    EXPECT_FALSE(a.engine.snapshot_peers()[0].speaks_l1);

    // An old copy's page (no fields 5 and 6) is shown and acknowledged; acknowledging it
    // sends no SEEN back.
    const std::string reply = converse(ports.message, frame(me, "MSG", {"{OLD}-1", "{OLD}", "Old", "Op 8", "hello"}));
    EXPECT_FALSE(reply.empty());
    auto shown = a.sink.next_message();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text, "hello");
    EXPECT_EQ(shown->reply_port, 0);
    EXPECT_FALSE(shown->urgent);
    a.engine.acknowledge_pages({{shown->message_id, shown->sender_id, shown->sender_address, old_copy.port(),
                                 shown->arrived_ms}});

    int attempted = -1;
    a.engine.clear_peer_flag("{OLD}", "Red", 0, attempted);
    EXPECT_EQ(attempted, 0);
    if (!sealed()) {
        // Paged urgently: delivered, never reported not seen.
        a.engine.send_message({}, "QUICK", "EMERG", attempted, true);
        auto result = a.sink.next_result();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->acknowledged, 1);
    }
    EXPECT_EQ(a.sink.count_within(WM_APP_NOT_SEEN, 2000), 0);
    for (const auto& f : old_copy.frames()) {
        const std::string kind = parse_line(f).kind;
        EXPECT_TRUE(kind == "QUICK" || kind.compare(0, 3, "QS1") == 0) << f;
        if (!sealed()) {
            EXPECT_EQ(parse_line(f).fields.size(), 7u);  // fields 5 and 6 ride along
        }
    }
}

TEST_P(EngineLoop, QnsendWaitsForSeenAndSaysWhoSawIt) {
    const TestPorts ports = next_ports();
    Node b;
    ASSERT_TRUE(b.start(settings(ports, "Dr Lee", "Op 1")));
    // An old copy beside it, announced by hand with a server that acknowledges.
    RawServer old_copy(sealed() ? "" : "ACK\n");
    const std::uint16_t seen_port = next_port();
    auto qnsend = [&](std::vector<std::string> extra, std::string& out, std::string& err) {
        std::vector<std::string> args{"--discovery-port", std::to_string(ports.discovery), "--wait-ms", "700",
                                      "--seen-port", std::to_string(seen_port)};
        if (sealed()) args.insert(args.end(), {"--site-key", KEY});
        args.insert(args.end(), extra.begin(), extra.end());
        return run_qnsend(args, L"/nonexistent/Quillnet.ini", out, err);
    };

    // Acknowledged in time: "seen by", exit 0.
    std::string out, err;
    int status = -1;
    std::thread sender([&] { status = qnsend({"--to", "Op 1", "--urgent", "--wait-seen", "10", "Come", "now"}, out, err); });
    auto page = b.sink.next_message();
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->urgent);
    EXPECT_EQ(page->reply_port, seen_port);
    b.engine.acknowledge_pages({{page->message_id, page->sender_id, page->sender_address, page->reply_port,
                                 page->arrived_ms}});
    sender.join();
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(out, "\u2713 delivered (1/1)\nseen by Dr Lee (Op 1)\n");

    // Nobody acknowledges: exit 4 after the wait; JSON has an empty seen_by.
    out.clear();
    err.clear();
    std::thread silent([&] { status = qnsend({"--json", "--wait-seen", "1", "--quick", "Wait"}, out, err); });
    ASSERT_TRUE(b.sink.next_message());
    silent.join();
    EXPECT_EQ(status, 4) << err;
    EXPECT_NE(out.find("\"seen_by\":[]"), std::string::npos) << out;

    if (sealed()) return;  // the raw old copy cannot acknowledge a sealed page
    // An old copy cannot confirm: said so, and not waited for.
    RawUdp raw(IPV4_LOOPBACK, 0);
    out.clear();
    err.clear();
    std::thread mixed([&] {
        status = qnsend({"--to", "Old", "--wait-seen", "10", "hello"}, out, err);
    });
    for (int i = 0; i < 5; ++i) {
        raw.send_to(hello_line("{OLD}", "Old", "Op 8", std::to_string(old_copy.port())), IPV4_LOOPBACK,
                    ports.discovery);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    mixed.join();
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(out, "\u2713 delivered (1/1)\ncannot confirm seen (older version): Old (Op 8)\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, EngineLoop, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Sealed" : "Open"; });
