// qnsend's portable parts: arguments, the page chosen from the settings, room matching,
// output texts and exit codes, and the steps that end before any socket is opened.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "config/settings_reader.h"
#include "net/wire.h"
#include "qnsend/listen.h"
#include "qnsend/qnsend.h"
#include "qnsend/report.h"
#include "qnsend/rooms.h"
#include "qnsend/wire_mode.h"
#include "test_paths.h"

using namespace quillnet;

namespace {

bool parse(std::vector<std::string> args, QnsendOptions& o, std::string& error) {
    return parse_arguments(args, o, error);
}

PeerRecord peer(const std::string& user, const std::string& room, std::uint16_t port = 45778) {
    PeerRecord p;
    p.id = "{" + user + "}";
    p.user = user;
    p.room = room;
    p.address = "10.0.0.1";
    p.port = port;
    return p;
}

Settings defaults() { return parse_settings_text("", L"Quillnet.ini"); }

}  // namespace

TEST(QnsendArguments, WhatToSendAndWhere) {
    QnsendOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--to", "Lab, Op 1", "--to=reception", "Results", "are", "ready"}, o, error)) << error;
    EXPECT_EQ(o.to, (std::vector<std::string>{"Lab", "Op 1", "reception"}));
    EXPECT_EQ(*o.text, "Results are ready");
    ASSERT_TRUE(parse({"--json", "--quick", "4", "--from", "Lab", "--room=Bench 2", "--wait-ms", "0"}, o, error));
    EXPECT_TRUE(o.json && o.to.empty() && !o.text);
    EXPECT_EQ(*o.quick, "4");
    EXPECT_EQ(*o.user, "Lab");
    EXPECT_EQ(*o.room, "Bench 2");
    EXPECT_EQ(*o.wait_ms, 0);
    ASSERT_TRUE(parse({"--", "--flag", "-5 C"}, o, error));  // after "--" everything is text
    EXPECT_EQ(*o.text, "--flag -5 C");
    ASSERT_TRUE(parse({"--list", "--discovery-port", "47000"}, o, error));
    EXPECT_EQ(o.action, QnsendAction::list);
    EXPECT_EQ(*o.discovery_port, 47000);
    ASSERT_TRUE(parse({"--bogus", "--help"}, o, error));
    EXPECT_EQ(o.action, QnsendAction::help);
}

TEST(QnsendArguments, RefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {},                                   // nothing to send
        {"--flag", "Red", "hello"},           // two things to send
        {"--quick", "1", "--flag", "Red"},    //
        {"--list", "--to", "Lab"},            // --list sends nothing
        {"--to"},                             // missing value
        {"--to", " , ", "hi"},                // no name in the list
        {"--frm", "Lab", "hi"},               // unknown option
        {"--wait-ms", "-1", "hi"},            //
        {"--wait-ms", "600001", "hi"},        //
        {"--discovery-port", "0", "hi"},      //
        {"--discovery-port", "65536", "hi"},  //
        {"--from", "", "hi"},                 //
        {""},                                 // empty text
    };
    for (const auto& args : bad) {
        QnsendOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

TEST(QnsendArguments, HelpNamesEveryOptionAndExitCode) {
    const std::string help = help_text();
    for (const char* word : {"--to", "--quick", "--flag", "--list", "--json", "--ini", "--from", "--room",
                             "--discovery-port", "--site-key", "--wait-ms", "--urgent", "--wait-seen", "--seen-port",
                             "--help", "  0 ", "  1 ", "  2 ", "  3 ", "  4 ",
                             "  64 ", "  69 ", "  78 "})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST(QnsendPage, KindAndBodyAsTheWindowSendsThem) {
    Settings s = defaults();
    s.user = "Lab";
    s.room = "Bench";
    QnsendOptions o;
    OutgoingPage page;
    std::string error;
    o.quick = "4";
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_EQ(page.kind, "QUICK");
    EXPECT_EQ(page.body, "Will Call");
    o.quick = "next CASE";  // a configured text takes the settings' spelling
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_EQ(page.body, "Next Case");
    o.quick = "Samples in";
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_EQ(page.body, "Samples in");
    o.quick = "11";
    EXPECT_FALSE(choose_page(o, s, page, error));
    o.quick = "0";
    EXPECT_FALSE(choose_page(o, s, page, error));

    o.quick.reset();
    o.flag = "yELLOW";
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_EQ(page.kind, "FLAG");
    EXPECT_EQ(page.body, "Yellow");
    o.flag = "Pink";
    EXPECT_FALSE(choose_page(o, s, page, error));
    EXPECT_NE(error.find("Red, Blue, Green, Yellow, Orange, Purple"), std::string::npos);

    o.flag.reset();
    o.text = "a\r\nb";
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_EQ(page_frame(page, "ID-7", "ID"),
              encode_line("MSG", {"ID-7", "ID", "Lab", "Bench", "a\r\nb", "", "0"}));
    const std::size_t limit = max_text_bytes(3, 5);
    o.text = std::string(limit, 'x');
    EXPECT_TRUE(choose_page(o, s, page, error));
    o.text = std::string(limit + 1, 'x');
    EXPECT_FALSE(choose_page(o, s, page, error));
}

TEST(QnsendPage, UrgentMarkAndReplyPort) {
    Settings s = defaults();
    s.urgent = {"emerg", " Red "};
    OutgoingPage page;
    std::string error;
    QnsendOptions o;
    o.quick = "10";  // EMERG
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_TRUE(page.urgent);
    EXPECT_EQ(page.reply_port, 0);
    o.quick.reset();
    o.flag = "red";
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_TRUE(page.urgent);
    o.flag = "Blue";
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_FALSE(page.urgent);
    o.flag.reset();
    o.text = "EMERG";  // a typed text is never urgent by the list
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_FALSE(page.urgent);
    o.urgent = true;
    o.wait_seen_s = 30;
    o.seen_port = 40001;
    ASSERT_TRUE(choose_page(o, s, page, error));
    EXPECT_TRUE(page.urgent);
    EXPECT_EQ(page_frame(page, "ID-1", "ID"),
              encode_line("MSG", {"ID-1", "ID", page.user, page.room, "EMERG", "40001", "1"}));

    EXPECT_TRUE(parse({"--urgent", "--wait-seen", "5", "--seen-port=4000", "hi"}, o, error));
    EXPECT_TRUE(o.urgent);
    EXPECT_EQ(*o.wait_seen_s, 5);
    EXPECT_EQ(o.seen_port, 4000);
    EXPECT_TRUE(parse({"hi"}, o, error));
    EXPECT_EQ(o.seen_port, 45779);
    EXPECT_FALSE(o.wait_seen_s.has_value());
    EXPECT_FALSE(parse({"--wait-seen", "-1", "hi"}, o, error));
    EXPECT_FALSE(parse({"--wait-seen", "3601", "hi"}, o, error));
    EXPECT_FALSE(parse({"--seen-port", "0", "hi"}, o, error));
    EXPECT_FALSE(parse({"--seen-port", "65536", "hi"}, o, error));
    EXPECT_FALSE(parse({"--list", "--urgent"}, o, error));
}

TEST(QnsendRooms, MatchedByRoomOrUserWithoutCase) {
    const PeerSnapshot online = {peer("Dr Adams", "Op 1"), peer("Lab", "Lab"), peer("Nurse", "op 1"),
                                 peer("Ghost", "Attic", 0)};
    RoomChoice choice = choose_rooms(online, {"OP 1"});
    ASSERT_EQ(choice.targets.size(), 2u);  // two copies in one room both get it
    EXPECT_TRUE(choice.unknown.empty());
    choice = choose_rooms(online, {"dr adams", "lab", "Lab"});
    EXPECT_EQ(choice.targets.size(), 2u);  // each peer at most once
    choice = choose_rooms(online, {"Attic", "Kitchen", "lab"});
    EXPECT_EQ(choice.targets.size(), 1u);  // a peer without a message port is never paged
    EXPECT_EQ(choice.unknown, (std::vector<std::string>{"Attic", "Kitchen"}));
    EXPECT_EQ(choose_rooms(online, {}).targets.size(), 3u);
}

TEST(QnsendReport, TallyExitCodesAndTexts) {
    EXPECT_EQ(tally_text(2, 2), "\u2713 delivered (2/2)");
    EXPECT_EQ(tally_text(1, 2), "\u26A0 1/2 delivered");
    EXPECT_EQ(tally_text(0, 2), "\u2717 not delivered (0/2)");
    EXPECT_EQ(exit_code_for(2, 2), 0);
    EXPECT_EQ(exit_code_for(1, 2), 1);
    EXPECT_EQ(exit_code_for(0, 2), 2);
    EXPECT_EQ(exit_code_for(0, 0), 3);

    EXPECT_EQ(json_string("a\"b\\c\n\x1F\xC3\xA9\xFF"), "\"a\\\"b\\\\c\\u000a\\u001f\xC3\xA9\xEF\xBF\xBD\"");
    const PeerSnapshot online = {peer("Dr Adams", "Op 1"), peer("Lab", "Lab")};
    EXPECT_EQ(rooms_text(online), "Dr Adams\tOp 1\t10.0.0.1\t45778\nLab\tLab\t10.0.0.1\t45778\n");
    EXPECT_EQ(rooms_json({online[1]}),
              "{\"rooms\":[{\"user\":\"Lab\",\"room\":\"Lab\",\"address\":\"10.0.0.1\",\"port\":45778}]}\n");
    OutgoingPage page{"FLAG", "Blue", "Lab", "Lab"};
    EXPECT_EQ(result_json(page, "X-0", {{online[0], true}, {online[1], false}}),
              "{\"kind\":\"FLAG\",\"text\":\"Blue\",\"message_id\":\"X-0\",\"delivered\":1,\"attempted\":2,"
              "\"status\":\"\u26A0 1/2 delivered\",\"recipients\":[{\"user\":\"Dr Adams\",\"room\":\"Op 1\","
              "\"address\":\"10.0.0.1\",\"port\":45778,\"delivered\":true},{\"user\":\"Lab\",\"room\":\"Lab\","
              "\"address\":\"10.0.0.1\",\"port\":45778,\"delivered\":false}]}\n");
    PeerSnapshot flagged = {online[0], online[1]};
    flagged[0].speaks_l1 = true;
    flagged[0].flags = {{"Red", 1000}, {"Teal \"x\"", 61000}};
    flagged[1].flags = {{"Ignored", 0}};  // without L1 nothing is shown
    EXPECT_EQ(rooms_text(flagged, 121500),
              "Dr Adams\tOp 1\t10.0.0.1\t45778\n\t\u2691 Red\t120\n\t\u2691 Teal \"x\"\t60\nLab\tLab\t10.0.0.1\t45778\n");
    EXPECT_EQ(rooms_json(flagged, 121500),
              "{\"rooms\":[{\"user\":\"Dr Adams\",\"room\":\"Op 1\",\"address\":\"10.0.0.1\",\"port\":45778,"
              "\"flags\":[{\"label\":\"Red\",\"age_s\":120},{\"label\":\"Teal \\\"x\\\"\",\"age_s\":60}]},"
              "{\"user\":\"Lab\",\"room\":\"Lab\",\"address\":\"10.0.0.1\",\"port\":45778}]}\n");
    EXPECT_EQ(result_json(page, "X-0", {{online[0], true}}, {online[0]}),
              "{\"kind\":\"FLAG\",\"text\":\"Blue\",\"message_id\":\"X-0\",\"delivered\":1,\"attempted\":1,"
              "\"status\":\"\u2713 delivered (1/1)\",\"recipients\":[{\"user\":\"Dr Adams\",\"room\":\"Op 1\","
              "\"address\":\"10.0.0.1\",\"port\":45778,\"delivered\":true}],\"seen_by\":[{\"user\":\"Dr Adams\","
              "\"room\":\"Op 1\",\"instance\":\"{Dr Adams}\"}]}\n");
    EXPECT_EQ(peer_label(online[0]), "Dr Adams (Op 1)");
    EXPECT_EQ(peer_label(peer("Lab", "")), "Lab");
    EXPECT_EQ(no_room_text({"Kitchen"}, online), "qnsend: no such room: Kitchen\nRooms online:\n  Dr Adams (Op 1)\n  Lab\n");
    EXPECT_EQ(no_room_text({}, {}), "qnsend: nobody online\n");
    EXPECT_EQ(no_room_json({"Kitchen"}, {}), "{\"error\":\"nobody online\",\"unknown\":[\"Kitchen\"],\"rooms\":[]}\n");
}

TEST(QnsendListen, AnnouncementsByTheEngineRulesAndTheWait) {
    PeerTable table;
    const std::string datagram = encode_line("HELLO", {"{A}", "Lab", "Lab", "45778"}) +
                                 encode_line("HEARTBEAT", {"{SELF}", "Me", "Me", "1"}) +
                                 encode_line("HEARTBEAT", {"{B}", "Op", "Op 1", "45779"}) +
                                 encode_line("BYE", {"{A}", "Lab", "Lab", "45778"});
    take_datagram(WireMode(), datagram.data(), datagram.size(), 0x0A000005, "{SELF}", table);
    ASSERT_EQ(table.records.size(), 1u);
    EXPECT_EQ(table.records.begin()->second.address, "10.0.0.5");
    EXPECT_EQ(table.records.begin()->second.port, 45779);
    EXPECT_EQ(default_wait_ms(3000), 4000);
    EXPECT_EQ(default_wait_ms(3100), 4200);  // heartbeats go out on a 200 ms cycle
    EXPECT_EQ(default_wait_ms(0), 1200);
}

TEST(QnsendRun, UsageAndSettingsErrorsEndBeforeTheNetwork) {
    std::string out, err;
    EXPECT_EQ(run_qnsend({"--quick"}, L"/nonexistent/Quillnet.ini", out, err), EXIT_USAGE);
    EXPECT_NE(err.find("Try 'qnsend --help'"), std::string::npos);
    err.clear();
    EXPECT_EQ(run_qnsend({"--ini", "/nonexistent/q.ini", "hi"}, L"", out, err), EXIT_SETTINGS);
    err.clear();
    EXPECT_EQ(run_qnsend({"--site-key", "00", "hi"}, L"/nonexistent/Quillnet.ini", out, err), EXIT_SETTINGS);
    EXPECT_EQ(err, "qnsend: The site key given with --site-key is not valid (64 hexadecimal digits expected).\n");
    const std::wstring ini = test_temp_path(L"qnsend.ini");
    ASSERT_TRUE(replace_file_contents(ini, "[security]\nsite_key = " + std::string(63, 'a') + "g\n"));
    err.clear();
    EXPECT_EQ(run_qnsend({"hi"}, ini, out, err), EXIT_SETTINGS);
    EXPECT_EQ(err, "qnsend: The site key in Quillnet.ini is not valid (64 hexadecimal digits expected).\n");
    delete_file(ini);
    err.clear();
    EXPECT_EQ(run_qnsend({"--flag", "Pink"}, L"/nonexistent/Quillnet.ini", out, err), EXIT_USAGE);
    EXPECT_EQ(run_qnsend({"--help"}, L"", out, err), 0);
    EXPECT_EQ(out, help_text());
}

namespace {

const std::string SITE_KEY = "5b0c1d2e3f405162738495a6b7c8d9eaf00112233445566778899aabbccddeef";

SiteKey site_key(unsigned char flip = 0) {
    SiteKey key{};
    EXPECT_TRUE(parse_site_key(SITE_KEY, key));
    key[0] ^= flip;
    return key;
}

WireMode sealed_mode() {
    WireMode mode;
    std::string error;
    EXPECT_TRUE(choose_wire_mode(SITE_KEY, "in Quillnet.ini", mode, error)) << error;
    return mode;
}

std::string unterminated(const std::string& line) { return line.substr(0, line.size() - 1); }

void hear(const WireMode& mode, const std::string& datagram, std::uint32_t source, PeerTable& table) {
    take_datagram(mode, datagram.data(), datagram.size(), source, "{SELF}", table);
}

}  // namespace

TEST(QnsendSealed, HearsOnlyRoomsSealedUnderItsKeyAndSaysWhatItCannotUse) {
    const std::string hello = unterminated(encode_line("HELLO", {"{A}", "Lab", "Lab", "45778"}));
    SealedWire lab(site_key(), WallClock());
    SealedWire stranger(site_key(1), WallClock());
    SealedWire late(site_key(), [] { return system_wall_clock() - 7 * 60000; });
    const WireMode mode = sealed_mode();
    PeerTable table;
    const std::string sealed_hello = lab.seal("", hello);
    hear(mode, encode_line("HELLO", {"{B}", "Op", "Op 1", "45779"}), 0x0A000007, table);
    hear(mode, encode_line("HEARTBEAT", {"{B}", "Op", "Op 1", "45779"}), 0x0A000007, table);
    hear(mode, stranger.seal("", hello), 0x0A000008, table);
    hear(mode, late.seal("", hello), 0x0A000009, table);
    hear(mode, sealed_hello + sealed_hello, 0x0A000005, table);  // one sealed line a datagram
    EXPECT_TRUE(table.records.empty());
    hear(mode, sealed_hello, 0x0A000005, table);
    ASSERT_EQ(table.records.size(), 1u);
    EXPECT_EQ(table.records.begin()->second.user, "Lab");
    EXPECT_EQ(*mode.heard, (std::vector<std::string>{
                               "10.0.0.7 runs Quillnet without the site key; it cannot page this room or be paged.",
                               "10.0.0.8 runs Quillnet with a different site key; it cannot page this room or be paged.",
                               "10.0.0.9 runs Quillnet with a clock 7 minutes off; its pages are refused.",
                           }));

    const WireMode open_mode;  // without a key a sealed room is only a notice
    PeerTable open_table;
    hear(open_mode, lab.seal("", hello), 0x0A000005, open_table);
    EXPECT_TRUE(open_table.records.empty());
    EXPECT_EQ(*open_mode.heard,
              (std::vector<std::string>{"10.0.0.5 runs Quillnet with a site key; set the same key to page it."}));
}

TEST(QnsendSealed, EachRoomGetsItsOwnSealedFrameAndOnlyItsOwnAcknowledgementCounts) {
    const WireMode mode = sealed_mode();
    SealedWire room(site_key(), WallClock());
    PeerRecord lab = peer("Lab", "Lab");
    PeerRecord op = peer("Op", "Op 1");
    lab.id = "{8E0C7B1A-0000-4000-8000-00000000000A}";
    op.id = "{8E0C7B1A-0000-4000-8000-00000000000B}";
    // The longest text qnsend accepts still travels whole in one sealed frame.
    OutgoingPage page{"MSG", std::string(max_text_bytes(9, 9), 'x'), "Lab robot", "Lab bench"};
    const std::string frame = frame_for_recipient(mode, page, "{ME}-0", "{ME}", lab);
    ASSERT_FALSE(frame.empty());
    EXPECT_LE(frame.size(), FRAME_READ_LIMIT);
    EXPECT_EQ(frame.find("Lab robot"), std::string::npos);
    EXPECT_EQ(room.open(unterminated(frame), SealedPort::frame, op.id).check, SealedCheck::misdirected);
    const SealedOpening opened = room.open(unterminated(frame), SealedPort::frame, lab.id);
    ASSERT_EQ(opened.check, SealedCheck::accepted);
    EXPECT_EQ(opened.inner, unterminated(page_frame(page, "{ME}-0", "{ME}")));

    const ReplyRule rule = reply_rule(mode, "{ME}-0", "{ME}", lab);
    EXPECT_EQ(rule.limit, 1024u);
    auto ack = [&](const std::string& message_id, const std::string& by, const std::string& to) {
        return unterminated(room.seal(to, unterminated(encode_line("ACK", {message_id, by}))));
    };
    EXPECT_FALSE(rule.counts(ack("{ME}-1", lab.id, "{ME}")));     // another message
    EXPECT_FALSE(rule.counts(ack("{ME}-0", op.id, "{ME}")));      // another room's acknowledgement
    EXPECT_FALSE(rule.counts(ack("{ME}-0", lab.id, "{OTHER}")));  // sealed for another sender
    EXPECT_FALSE(rule.counts(unterminated(encode_line("ACK", {"{ME}-0", lab.id}))));
    const std::string good = ack("{ME}-0", lab.id, "{ME}");
    EXPECT_TRUE(rule.counts(good));
    EXPECT_FALSE(rule.counts(good));  // replayed

    const WireMode open_mode;
    EXPECT_EQ(frame_for_recipient(open_mode, page, "{ME}-0", "{ME}", lab), page_frame(page, "{ME}-0", "{ME}"));
    EXPECT_EQ(reply_rule(open_mode, "{ME}-0", "{ME}", lab).limit, ACK_READ_LIMIT);
}
