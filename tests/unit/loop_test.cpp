// The paging loop's pure parts: announcement fields written and read, the [loop]
// settings, urgent matching, the reply-port field, the CLEAR and SEEN rules, the
// sent-page memory and its escalation check.
#include <gtest/gtest.h>

#include "config/loop_settings.h"
#include "config/settings_reader.h"
#include "config/settings_writer.h"
#include "net/announcement.h"
#include "net/discovery_rules.h"
#include "net/frame_rules.h"
#include "net/loop_rules.h"
#include "net/sealed_engine.h"
#include "net/sent_pages.h"
#include "net/site_key.h"
#include "net/wire.h"

using namespace quillnet;

namespace {

std::string without_lf(const std::string& line) { return line.substr(0, line.size() - 1); }

ParsedLine announcement(const std::vector<std::string>& fields, const std::string& kind = "HEARTBEAT") {
    return parse_line(without_lf(encode_line(kind, fields)));
}

PeerRecord listed(const std::string& id, const std::string& address, std::uint16_t port, bool l1) {
    PeerRecord p;
    p.id = id;
    p.user = "Dr Lee";
    p.room = "Op 2";
    p.address = address;
    p.port = port;
    p.speaks_l1 = l1;
    return p;
}

}  // namespace

TEST(LoopAnnouncement, WrittenWithCapabilityAndFlagsWithinTheLimit) {
    const std::string hello = announcement_line("HELLO", "{A}", "Lab", "Op 1", "45778", {{"Red", 0}, {"Blue", 75}}, 2047);
    EXPECT_EQ(hello, encode_line("HELLO", {"{A}", "Lab", "Op 1", "45778", "L1", "0 Red", "75 Blue"}));
    // BYE carries the capability, never flags.
    EXPECT_EQ(announcement_line("BYE", "{A}", "Lab", "Op 1", "45778", {{"Red", 0}}, 2047),
              encode_line("BYE", {"{A}", "Lab", "Op 1", "45778", "L1"}));
    // Flags go in while the line fits with its LF; the first that does not ends them.
    const std::string base = encode_line("HEARTBEAT", {"{A}", "u", "r", "1", "L1"});
    const std::string big(60, 'x');
    const std::size_t limit = base.size() + 1 + 2 + 60;  // exactly one "0 " + 60-byte flag
    const std::string fitted =
        announcement_line("HEARTBEAT", "{A}", "u", "r", "1", {{big, 0}, {"B", 0}, {"C", 0}}, limit);
    EXPECT_EQ(fitted.size(), limit);
    EXPECT_EQ(read_announcement_extras(parse_line(without_lf(fitted))).flags.size(), 1u);
    EXPECT_EQ(announcement_line("HEARTBEAT", "{A}", "u", "r", "1", {{big, 0}, {"B", 0}}, limit - 1), base);
    // Ages are whole seconds, 10 digits at most.
    EXPECT_NE(announcement_line("HELLO", "{A}", "u", "r", "1", {{"R", 99999999999LL}}, 2047).find("9999999999 R"),
              std::string::npos);

    // Labels: sanitised, then cut to 64 bytes without splitting a character.
    EXPECT_EQ(announced_label("a\x1F" "b\nc"), "a b c");
    EXPECT_EQ(announced_label(std::string(64, 'x')), std::string(64, 'x'));
    EXPECT_EQ(announced_label(std::string(70, 'x')), std::string(64, 'x'));
    const std::string euro = "\xE2\x82\xAC";  // 3 bytes
    std::string euros;
    for (int i = 0; i < 30; ++i) euros += euro;
    EXPECT_EQ(announced_label(euros).size(), 63u);  // 21 whole characters
    EXPECT_EQ(announced_label(std::string(63, 'x') + euro), std::string(63, 'x'));
}

TEST(LoopAnnouncement, SealedAnnouncementFitsTheDatagramWithNamesCutFirst) {
    SiteKey key{};
    ASSERT_TRUE(parse_site_key(std::string(64, 'a'), key));
    SealedWire sealed(key, nullptr);
    ASSERT_TRUE(sealed.ready());
    std::vector<AnnouncedFlag> flags;
    for (int i = 0; i < 8; ++i) flags.push_back({std::string(64, static_cast<char>('a' + i)), 12345});
    // Long names and eight long flags: the names are cut to fit fields 0..4 and the
    // flags fill what is left; the line stays a datagram.
    const std::string line = sealed_announcement(sealed, "HEARTBEAT", "{A}", std::string(1500, 'u'),
                                                 std::string(1500, 'r'), "45778", flags);
    ASSERT_FALSE(line.empty());
    EXPECT_LE(line.size(), SEALED_DATAGRAM_LIMIT);
    SealedWire reader(key, nullptr);
    const SealedOpening opened = reader.open(without_lf(line), SealedPort::discovery, "{B}");
    ASSERT_EQ(opened.check, SealedCheck::accepted);
    const ParsedLine inner = parse_line(opened.inner);
    EXPECT_EQ(field_or_empty(inner, 4), "L1");
    EXPECT_TRUE(read_announcement_extras(inner).flags.empty());  // no room left after the names

    // Short names: all eight flags fit.
    const std::string short_line = sealed_announcement(sealed, "HEARTBEAT", "{A}", "Lab", "Op 1", "45778", flags);
    EXPECT_LE(short_line.size(), SEALED_DATAGRAM_LIMIT);
    const SealedOpening short_opened = reader.open(without_lf(short_line), SealedPort::discovery, "{B}");
    ASSERT_EQ(short_opened.check, SealedCheck::accepted);
    EXPECT_EQ(read_announcement_extras(parse_line(short_opened.inner)).flags.size(), 8u);
}

TEST(LoopAnnouncement, ReadingTakesValidFlagsFirstEightDistinct) {
    AnnouncementExtras e = read_announcement_extras(
        announcement({"{A}", "u", "r", "1", "X2,L1", "007 Red", "5 Blue", "5", "5  ", "a Red", "12345678901 Long",
                      " 5 Lead", "5\tTab", "", "3 Red", "9 two words "}));
    EXPECT_TRUE(e.speaks_l1);
    ASSERT_EQ(e.flags.size(), 4u);
    EXPECT_EQ(e.flags[0].label, "Red");
    EXPECT_EQ(e.flags[0].age_s, 7);
    EXPECT_EQ(e.flags[1].label, "Blue");
    EXPECT_EQ(e.flags[2].label, " ");  // a label may be spaces: "5  " is age 5, label " "
    EXPECT_EQ(e.flags[3].label, "two words ");

    std::vector<std::string> many{"{A}", "u", "r", "1", "L1"};
    for (int i = 0; i < 12; ++i) many.push_back(std::to_string(i) + " F" + std::to_string(i));
    e = read_announcement_extras(announcement(many));
    ASSERT_EQ(e.flags.size(), 8u);
    EXPECT_EQ(e.flags[7].label, "F7");

    EXPECT_FALSE(read_announcement_extras(announcement({"{A}", "u", "r", "1", "l1"})).speaks_l1);
    EXPECT_FALSE(read_announcement_extras(announcement({"{A}", "u", "r", "1", " L1"})).speaks_l1);
    EXPECT_FALSE(read_announcement_extras(announcement({"{A}", "u", "r", "1"})).speaks_l1);
    EXPECT_TRUE(read_announcement_extras(announcement({"{A}", "u", "r", "1", "L2,,L1,"})).speaks_l1);
}

TEST(LoopPeerTable, FlagsReplacedOnEachAnnouncementAndReportedWhenTheyGo) {
    PeerTable table;
    DiscoveryOutcome o = apply_announcement(table, announcement({"{A}", "u", "Op 1", "45778", "L1", "10 Red"}, "HELLO"),
                                            "{ME}", "10.0.0.2", 50000);
    EXPECT_TRUE(o.list_changed);
    EXPECT_TRUE(o.board_changed);
    const PeerRecord& a = table.records.at("{A}");
    EXPECT_TRUE(a.speaks_l1);
    ASSERT_EQ(a.flags.size(), 1u);
    EXPECT_EQ(a.flags[0].raised_ms, 40000);
    // The same flag a second later: nothing changes for the board.
    o = apply_announcement(table, announcement({"{A}", "u", "Op 1", "45778", "L1", "11 Red"}), "{ME}", "10.0.0.2", 51000);
    EXPECT_FALSE(o.list_changed);
    EXPECT_FALSE(o.board_changed);
    // Raised again: the raise time jumps.
    o = apply_announcement(table, announcement({"{A}", "u", "Op 1", "45778", "L1", "0 Red"}), "{ME}", "10.0.0.2", 52000);
    EXPECT_TRUE(o.board_changed);
    // A flag missing from the next announcement is no longer raised.
    o = apply_announcement(table, announcement({"{A}", "u", "Op 1", "45778", "L1"}), "{ME}", "10.0.0.2", 53000);
    EXPECT_TRUE(o.board_changed);
    EXPECT_TRUE(table.records.at("{A}").flags.empty());
    // The L1 word going away is a change too.
    o = apply_announcement(table, announcement({"{A}", "u", "Op 1", "45778"}), "{ME}", "10.0.0.2", 54000);
    EXPECT_TRUE(o.board_changed);

    apply_announcement(table, announcement({"{A}", "u", "Op 1", "45778", "L1", "1 Red"}), "{ME}", "10.0.0.2", 55000);
    // A restarted copy on the same address and port replaces the entry, and its flags go.
    o = apply_announcement(table, announcement({"{A2}", "u", "Op 1", "45778", "L1"}, "HELLO"), "{ME}", "10.0.0.2",
                           56000);
    ASSERT_EQ(o.departed.size(), 1u);
    EXPECT_EQ(o.departed[0].flags[0].label, "Red");
    EXPECT_EQ(flag_source(o.departed[0]), "Op 1");
    apply_announcement(table, announcement({"{A2}", "u", "", "45778", "L1", "1 Blue"}), "{ME}", "10.0.0.2", 57000);
    o = apply_announcement(table, announcement({"{A2}", "u", "", "45778", "L1"}, "BYE"), "{ME}", "10.0.0.2", 58000);
    ASSERT_EQ(o.departed.size(), 1u);
    EXPECT_EQ(flag_source(o.departed[0]), "u");  // no room: the user names the source
    EXPECT_TRUE(table.records.empty());

    apply_announcement(table, announcement({"{B}", "u", "r", "45778", "L1", "1 Blue"}), "{ME}", "10.0.0.3", 60000);
    std::vector<PeerRecord> gone;
    EXPECT_TRUE(expire_peers(table, 70000, &gone));
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].flags.size(), 1u);
}

TEST(LoopSettings, ReadWrittenOnlyWhenNotDefaultAndMatched) {
    Settings s = parse_settings_text("", L"x");
    EXPECT_EQ(s.urgent, std::vector<std::string>{"EMERG"});
    EXPECT_EQ(s.urgent_repeat_s, 20);
    EXPECT_EQ(s.urgent_escalate_s, 60);
    EXPECT_EQ(settings_text(s).find("[loop]"), std::string::npos);

    s = parse_settings_text("[LOOP]\nurgent = EMERG, Red ,  Come Here\nurgent_repeat_s = 0\nurgent_escalate_s=3600\n",
                            L"x");
    EXPECT_EQ(s.urgent, (std::vector<std::string>{"EMERG", "Red", "Come Here"}));
    EXPECT_EQ(s.urgent_repeat_s, 0);
    EXPECT_EQ(s.urgent_escalate_s, 3600);
    for (const char* bad : {"3601", "-1", "x", ""}) {
        const Settings b = parse_settings_text(std::string("[loop]\nurgent_repeat_s = ") + bad +
                                                   "\nurgent_escalate_s = " + bad + "\n",
                                               L"x");
        EXPECT_EQ(b.urgent_repeat_s, 20) << bad;
        EXPECT_EQ(b.urgent_escalate_s, 60) << bad;
    }
    EXPECT_TRUE(parse_settings_text("[loop]\nurgent =\n", L"x").urgent.empty());

    // The writer: after [flags], before [security], only the keys that differ.
    s.site_key = std::string(64, 'a');
    s.urgent_escalate_s = 60;
    const std::string text = settings_text(s);
    const std::size_t loop = text.find("\r\n\r\n[loop]\r\nurgent = EMERG, Red, Come Here\r\nurgent_repeat_s = 0\r\n\r\n[security]");
    EXPECT_NE(loop, std::string::npos) << text;
    EXPECT_LT(text.find("[flags]"), loop);
    EXPECT_EQ(text.find("urgent_escalate_s"), std::string::npos);
    s.urgent.clear();
    s.site_key.clear();
    EXPECT_NE(settings_text(s).find("[loop]\r\nurgent = \r\nurgent_repeat_s = 0\r\n"), std::string::npos);
    EXPECT_EQ(parse_settings_text(settings_text(s), L"x"), (Settings{parse_settings_text(settings_text(s), L"x")}));
    const Settings back = parse_settings_text(settings_text(s), L"x");
    EXPECT_TRUE(back.urgent.empty());
    EXPECT_EQ(back.urgent_repeat_s, 0);

    EXPECT_TRUE(matches_urgent({"EMERG"}, "emerg"));
    EXPECT_TRUE(matches_urgent({" Come Here "}, "come HERE  "));
    EXPECT_FALSE(matches_urgent({"EMERG"}, "EMERG!"));
    EXPECT_FALSE(matches_urgent({"\xC3\x89mile"}, "\xC3\xA9mile"));  // only ASCII letters fold
    EXPECT_FALSE(matches_urgent({}, "EMERG"));
}

TEST(LoopFrames, ReplyPortUrgencyAndLoopKinds) {
    EXPECT_EQ(read_reply_port("45778"), 45778);
    EXPECT_EQ(read_reply_port("1"), 1);
    EXPECT_EQ(read_reply_port("65535"), 65535);
    for (const char* bad : {"", "0", "045778", "65536", "99999", "123456", "+1", " 1", "1 ", "1a", "-1"})
        EXPECT_EQ(read_reply_port(bad), 0) << bad;

    const std::vector<FlagDefinition> flags;
    FrameOutcome o = handle_frame_line(without_lf(encode_line("QUICK", {"M-1", "{S}", "u", "r", "EMERG", "4000", "1"})),
                                       "{ME}", flags, "10.0.0.9");
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->message_id, "M-1");
    EXPECT_EQ(o.message->sender_id, "{S}");
    EXPECT_EQ(o.message->reply_port, 4000);
    EXPECT_TRUE(o.message->urgent);
    o = handle_frame_line(without_lf(encode_line("MSG", {"M-2", "{S}", "u", "r", "t", "x", "11"})), "{ME}", flags, "a");
    EXPECT_EQ(o.message->reply_port, 0);
    EXPECT_FALSE(o.message->urgent);
    // An old sender's frame has neither field.
    o = handle_frame_line(without_lf(encode_line("MSG", {"M-3", "{S}", "u", "r", "t"})), "{ME}", flags, "a");
    EXPECT_EQ(o.message->reply_port, 0);
    EXPECT_FALSE(o.message->urgent);
    // SEEN and CLEAR are acknowledged and handed to the engine, never shown.
    for (const char* kind : {"SEEN", "CLEAR"}) {
        o = handle_frame_line(without_lf(encode_line(kind, {"M-4", "{S}", "u", "r", "x"})), "{ME}", flags, "a");
        EXPECT_FALSE(o.message) << kind;
        EXPECT_EQ(o.acknowledgement, encode_line("ACK", {"M-4"})) << kind;
        EXPECT_FALSE(o.loop_line.empty()) << kind;
    }
    EXPECT_TRUE(inner_allowed_on(without_lf(encode_line("SEEN", {"M", "{S}"})), SealedPort::frame));
    EXPECT_TRUE(inner_allowed_on(without_lf(encode_line("CLEAR", {"M", "{S}"})), SealedPort::frame));
    EXPECT_FALSE(inner_allowed_on(without_lf(encode_line("SEEN", {"M", "{S}"})), SealedPort::discovery));
}

TEST(LoopRules, ClearJudgedByOwnerClearerLabelAndAge) {
    PeerTable table;
    table.records["{C}"] = listed("{C}", "10.0.0.2", 45778, true);
    table.records["{OLD}"] = listed("{OLD}", "10.0.0.3", 45778, false);
    OwnFlags flags;
    flags.raise("Red", 100000);
    auto clear = [](const std::string& from, const std::string& label, const std::string& owner, const std::string& age) {
        return parse_line(without_lf(encode_line("CLEAR", {"M-1", from, "x", "y", label, owner, age})));
    };
    PeerRecord clearer;
    // Own age at 130000 is 30 s.
    EXPECT_EQ(judge_clear(clear("{C}", "Red", "{ME}", "30"), "{ME}", "10.0.0.2", table, flags, 130000, clearer),
              ClearVerdict::clear);
    EXPECT_EQ(clearer.room, "Op 2");
    EXPECT_EQ(judge_clear(clear("{C}", "Red", "{ME}", "32"), "{ME}", "10.0.0.2", table, flags, 130000, clearer),
              ClearVerdict::clear);  // within the 2 s the ages may differ
    EXPECT_EQ(judge_clear(clear("{C}", "Red", "{ME}", "33"), "{ME}", "10.0.0.2", table, flags, 130000, clearer),
              ClearVerdict::raised_again);
    EXPECT_EQ(judge_clear(clear("{C}", "Red", "{ME}", "x"), "{ME}", "10.0.0.2", table, flags, 130000, clearer),
              ClearVerdict::raised_again);
    EXPECT_EQ(judge_clear(clear("{C}", "Red", "{OTHER}", "0"), "{ME}", "10.0.0.2", table, flags, 130000, clearer),
              ClearVerdict::other_owner);
    EXPECT_EQ(judge_clear(clear("{C}", "Red", "{ME}", "0"), "{ME}", "10.0.0.9", table, flags, 130000, clearer),
              ClearVerdict::not_clearer);
    EXPECT_EQ(judge_clear(clear("{OLD}", "Red", "{ME}", "0"), "{ME}", "10.0.0.3", table, flags, 130000, clearer),
              ClearVerdict::not_clearer);
    EXPECT_EQ(judge_clear(clear("{NOBODY}", "Red", "{ME}", "0"), "{ME}", "10.0.0.2", table, flags, 130000, clearer),
              ClearVerdict::not_clearer);
    EXPECT_EQ(judge_clear(clear("{C}", "red", "{ME}", "0"), "{ME}", "10.0.0.2", table, flags, 130000, clearer),
              ClearVerdict::not_raised);
}

TEST(LoopRules, SeenGoesOnlyWhereThePageAllows) {
    PeerTable table;
    table.records["{S}"] = listed("{S}", "10.0.0.2", 45778, true);
    table.records["{OLD}"] = listed("{OLD}", "10.0.0.3", 45778, false);
    SeenRequest r{"{S}-1", "{S}", "10.0.0.2", 45778, 1000};
    EXPECT_TRUE(seen_may_go(r, table, 2000));
    r.reply_port = 45779;  // not its message port
    EXPECT_FALSE(seen_may_go(r, table, 2000));
    r.reply_port = 45778;
    r.sender_address = "10.0.0.9";
    EXPECT_FALSE(seen_may_go(r, table, 2000));
    SeenRequest old{"{OLD}-1", "{OLD}", "10.0.0.3", 45778, 1000};
    EXPECT_FALSE(seen_may_go(old, table, 2000));
    // A command-line sender is never listed: within 600 s only.
    SeenRequest cli{"{Q}-0", "{Q}", "10.0.0.7", 45779, 1000};
    EXPECT_TRUE(seen_may_go(cli, table, 600999));
    EXPECT_FALSE(seen_may_go(cli, table, 601000));
    cli.reply_port = 0;
    EXPECT_FALSE(seen_may_go(cli, table, 2000));
}

TEST(LoopSentPages, BodiesSeenOnceAndTheEscalationCheck) {
    EXPECT_EQ(page_body("MSG", "hi"), "hi");
    EXPECT_EQ(page_body("QUICK", "Will Call"), "\xC2\xBB Will Call");
    EXPECT_EQ(page_body("FLAG", "Red"), "\xE2\x9A\x91 Red");
    EXPECT_EQ(page_body("MSG", std::string(80, 'x')), std::string(80, 'x'));
    EXPECT_EQ(page_body("MSG", std::string(81, 'x')), std::string(80, 'x') + "\xE2\x80\xA6");
    // "» " is two units: 78 more fit.
    EXPECT_EQ(page_body("QUICK", std::string(79, 'x')), "\xC2\xBB " + std::string(78, 'x') + "\xE2\x80\xA6");
    // A character outside the BMP is two units and is never split.
    std::string emoji;
    for (int i = 0; i < 41; ++i) emoji += "\xF0\x9F\x98\x80";
    EXPECT_EQ(page_body("MSG", emoji), emoji.substr(0, 40 * 4) + "\xE2\x80\xA6");

    SentPages pages(3);
    auto recipient = [](const std::string& id, const std::string& room, bool l1) {
        SentRecipient r;
        r.id = id;
        r.address = "10.0.0." + id;
        r.user = "U" + id;
        r.room = room;
        r.speaks_l1 = l1;
        return r;
    };
    SentPage urgent{"P-1", "\xC2\xBB EMERG", true, 1000, -1, false,
                    {recipient("1", "Op 1", true), recipient("2", "Op 1", true), recipient("3", "Op 3", true),
                     recipient("4", "Op 4", false), recipient("5", "Op 5", true)}};
    pages.remember(urgent);
    for (const char* id : {"1", "2", "3", "4"}) pages.record_delivery("P-1", id, true);
    pages.record_delivery("P-1", "5", false);

    PageSeen seen;
    EXPECT_FALSE(pages.note_seen("P-1", "1", "10.0.0.9", seen));  // other address
    EXPECT_FALSE(pages.note_seen("P-9", "1", "10.0.0.1", seen));  // unknown page
    EXPECT_FALSE(pages.note_seen("P-1", "7", "10.0.0.7", seen));  // not a recipient
    ASSERT_TRUE(pages.note_seen("P-1", "1", "10.0.0.1", seen));
    EXPECT_EQ(seen.recipient_user, "U1");
    EXPECT_EQ(seen.recipient_room, "Op 1");
    EXPECT_EQ(seen.body, "\xC2\xBB EMERG");
    EXPECT_FALSE(pages.note_seen("P-1", "1", "10.0.0.1", seen));  // twice

    std::int64_t next = 0;
    // Before its result the check waits, looking again shortly.
    EXPECT_TRUE(pages.due_checks(100000, 60000, next).empty());
    EXPECT_GT(next, 100000);
    pages.record_result("P-1", 3000);
    EXPECT_TRUE(pages.due_checks(50000, 60000, next).empty());
    EXPECT_EQ(next, 61000);
    const auto reports = pages.due_checks(61000, 60000, next);
    ASSERT_EQ(reports.size(), 1u);
    // 2 shares Op 1 with 1, which saw it; 4 does not speak L1; 5 was not delivered.
    ASSERT_EQ(reports[0].recipients.size(), 1u);
    EXPECT_EQ(reports[0].recipients[0], (std::pair<std::string, std::string>("U3", "Op 3")));
    EXPECT_TRUE(pages.due_checks(999999, 60000, next).empty());  // once per page
    EXPECT_EQ(next, -1);

    // Escalation off, and pages that are not urgent, are never checked.
    SentPage plain{"P-2", "x", false, 0, 0, false, {recipient("1", "Op 1", true)}};
    pages.remember(plain);
    SentPage off{"P-3", "x", true, 0, 0, false, {recipient("1", "Op 1", true)}};
    pages.remember(off);
    EXPECT_TRUE(pages.due_checks(999999, 0, next).empty());
    pages.remember(SentPage{"P-4", "x", false, 0, 0, false, {}});
    EXPECT_EQ(pages.size(), 3u);  // the oldest went
    EXPECT_FALSE(pages.note_seen("P-1", "3", "10.0.0.3", seen));
}

TEST(LoopOwnFlags, RaisedRefreshedKeptAtMostEight) {
    OwnFlags flags;
    EXPECT_EQ(flags.raise("Red", 10), OwnRaise::added);
    EXPECT_EQ(flags.raise("Blue", 20), OwnRaise::added);
    EXPECT_EQ(flags.raise("Red", 30), OwnRaise::refreshed);
    ASSERT_EQ(flags.list().size(), 2u);
    EXPECT_EQ(flags.list()[1].label, "Red");  // the newest
    EXPECT_EQ(flags.list()[1].raised_ms, 30);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(flags.raise("F" + std::to_string(i), 40), OwnRaise::added);
    EXPECT_EQ(flags.raise("Teal", 50), OwnRaise::not_kept);
    EXPECT_EQ(flags.raise("Blue", 50), OwnRaise::refreshed);
    EXPECT_EQ(flags.raise("", 50), OwnRaise::not_kept);
    EXPECT_TRUE(flags.clear("Red"));
    EXPECT_FALSE(flags.clear("Red"));
    EXPECT_EQ(flags.raise("Teal", 60), OwnRaise::added);
}
