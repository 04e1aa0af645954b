// The configuration file reader: grammar, numbers, colours, quick-message order, completion.
#include <gtest/gtest.h>

#include "base/text.h"
#include "config/settings_reader.h"

using namespace quillnet;

namespace {

Settings parse(const std::string& text) { return parse_settings_text(text, L"C:\\q\\Quillnet.ini"); }

}  // namespace

TEST(SettingsReader, MissingFileGivesCompletedDefaults) {
    const Settings s = load_settings(L"/nonexistent-dir/Quillnet.ini");
    EXPECT_EQ(s.ini_path, L"/nonexistent-dir/Quillnet.ini");
    EXPECT_FALSE(s.user.empty());
    EXPECT_EQ(s.room, s.user);
    EXPECT_EQ(s.quick_messages, default_quick_messages());
    EXPECT_EQ(s.flags, default_flags());
    EXPECT_EQ(s.discovery_port, 45777);
    EXPECT_EQ(s.message_port, 45778);
    EXPECT_EQ(s.heartbeat_ms, 3000);
    EXPECT_EQ(s.peer_timeout_ms, 12000);
    EXPECT_TRUE(s.sound_enabled);
    EXPECT_EQ(s.volume, 80);
    EXPECT_EQ(s.tone_freq, 880);
    EXPECT_EQ(s.tone_ms, 250);
    EXPECT_TRUE(s.always_on_top && s.start_minimized && s.auto_minimize_after_send &&
                s.bring_to_front_on_receive && s.interrupt_screensaver_on_receive);
    EXPECT_EQ(s.log_view_lines, 5000);
}

TEST(SettingsReader, LogViewLinesIsReadAndKeptBetweenAHundredAndAMillion) {
    EXPECT_EQ(parse("[behavior]\nlog_view_lines = 1200\n").log_view_lines, 1200);
    EXPECT_EQ(parse("[Behavior]\nLOG_VIEW_LINES=+300\n").log_view_lines, 300);
    EXPECT_EQ(parse("[behavior]\nlog_view_lines = many\n").log_view_lines, 5000);
    EXPECT_EQ(parse("[behavior]\nlog_view_lines = 99999999999\n").log_view_lines, 5000);
    EXPECT_EQ(parse("[behavior]\nlog_view_lines = 0\n").log_view_lines, 100);
    EXPECT_EQ(parse("[behavior]\nlog_view_lines = -5\n").log_view_lines, 100);
    EXPECT_EQ(parse("[behavior]\nlog_view_lines = 2000000\n").log_view_lines, 1000000);
    EXPECT_EQ(parse("[network]\nlog_view_lines = 300\n").log_view_lines, 5000);
}

TEST(SettingsReader, SectionsAndKeysAreCaseInsensitiveValuesKeepCase) {
    Settings s = parse("[Identity]\nUSER = Bob\nroom=Front Desk\n");
    EXPECT_EQ(s.user, "Bob");
    EXPECT_EQ(s.room, "Front Desk");
    s = parse("[ Network ]\ndiscovery_port = 5000\n");
    EXPECT_EQ(s.discovery_port, 5000);
}

TEST(SettingsReader, CommentsHeadersAndLastValueWins) {
    Settings s = parse("[identity]\nuser = Ann\n[flags] ; colours\nname = Bob\n; user = X\n# user = Y\n");
    EXPECT_EQ(s.user, "Bob");  // the bogus header line is ignored; identity stays current
    s = parse("[identity]\nuser = Bob ; front desk\n");
    EXPECT_EQ(s.user, "Bob ; front desk");
    s = parse("user = Early\n[]\nuser = Empty\n[identity]\nroom = a=b=c\n");
    EXPECT_EQ(s.room, "a=b=c");
    EXPECT_NE(s.user, "Early");
    EXPECT_NE(s.user, "Empty");
    s = parse("[identity]\r\nuser = Carol\r\n");
    EXPECT_EQ(s.user, "Carol");
}

TEST(SettingsReader, NumbersFollowStrtolAndKeepFieldWhenUnreadable) {
    Settings s = parse("[network]\ndiscovery_port = 70000\nmessage_port = abc\nheartbeat_ms = -5\n"
                       "peer_timeout_ms = 99999999999\n[sound]\nvolume = 50%\ntone_ms = +40x\n");
    EXPECT_EQ(s.discovery_port, 4464);
    EXPECT_EQ(s.message_port, 45778);
    EXPECT_EQ(s.heartbeat_ms, -5);
    EXPECT_EQ(s.peer_timeout_ms, 12000);
    EXPECT_EQ(s.volume, 50);
    EXPECT_EQ(s.tone_ms, 40);
    s = parse("[network]\nmessage_port = -1\n[sound]\nvolume = loud\n");
    EXPECT_EQ(s.message_port, 65535);
    EXPECT_EQ(s.volume, 80);

    std::int32_t n = 0;
    EXPECT_TRUE(parse_number("-2147483648", n));
    EXPECT_EQ(n, INT32_MIN);
    EXPECT_TRUE(parse_number("2147483647", n));
    EXPECT_FALSE(parse_number("2147483648", n));
    EXPECT_FALSE(parse_number("- 5", n));
    EXPECT_FALSE(parse_number("", n));
    EXPECT_FALSE(parse_number("+", n));
    EXPECT_TRUE(parse_number("007", n));
    EXPECT_EQ(n, 7);
}

TEST(SettingsReader, SeedPeersAndSwitches) {
    Settings s = parse("[network]\nseed_peers = 10.0.0.5, ,10.0.0.9 ,\n");
    EXPECT_EQ(s.seed_peers, (std::vector<std::string>{"10.0.0.5", "10.0.0.9"}));
    s = parse("[network]\nseed_peers = 1.1.1.1\nseed_peers = 2.2.2.2\n");
    EXPECT_EQ(s.seed_peers, (std::vector<std::string>{"2.2.2.2"}));
    s = parse("[network]\nseed_peers = 1.1.1.1\nseed_peers =\n");
    EXPECT_TRUE(s.seed_peers.empty());

    s = parse("[sound]\nenabled = on\n[behavior]\nalways_on_top = on\nstart_minimized = 2\n"
              "auto_maximize_on_receive = no\n[behaviour]\nauto_minimize_after_send = 0\n");
    EXPECT_FALSE(s.sound_enabled);
    EXPECT_TRUE(s.always_on_top);
    EXPECT_FALSE(s.start_minimized);
    EXPECT_FALSE(s.bring_to_front_on_receive);
    EXPECT_TRUE(s.auto_minimize_after_send);  // unknown section "behaviour"
    s = parse("[sound]\nenabled = YES\n");
    EXPECT_TRUE(s.sound_enabled);
}

TEST(SettingsReader, QuickMessagesOrderedByNumberThenFileOrder) {
    EXPECT_EQ(parse("[quick_messages]\nF1 = Yes\nF2 = No\n").quick_messages,
              (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(parse("[quick_messages]\n2 = B\n1 = A\n3 =\n").quick_messages,
              (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(parse("[quick_messages]\n10 = J\n1 = A\n").quick_messages,
              (std::vector<std::string>{"A", "J"}));
    EXPECT_EQ(parse("[quick_messages]\n5 = A\n").quick_messages, (std::vector<std::string>{"A"}));
    EXPECT_EQ(parse("[quick_messages]\n2 = X\n2 = Y\n-1 = Z\n").quick_messages,
              (std::vector<std::string>{"Z", "X", "Y"}));
    EXPECT_EQ(parse("[quick_messages]\n1 =\n2 =\n").quick_messages, default_quick_messages());
    std::string eleven = "[quick_messages]\n";
    for (int i = 1; i <= 11; ++i) eleven += std::to_string(i) + " = m" + std::to_string(i) + "\n";
    const Settings s = parse(eleven);
    ASSERT_EQ(s.quick_messages.size(), 10u);
    EXPECT_EQ(s.quick_messages.back(), "m10");
}

TEST(SettingsReader, FlagsAndColours) {
    const Settings s = parse("[flags]\nAlert = #ff0000\nCalm = 00ff00\nOdd = #12345\n");
    ASSERT_EQ(s.flags.size(), 3u);
    EXPECT_EQ(s.flags[0].name, "Alert");
    EXPECT_EQ(s.flags[0].colour, 0x000000FFu);
    EXPECT_EQ(s.flags[1].colour, 0x0000FF00u);
    EXPECT_EQ(s.flags[2].colour, NEUTRAL_GREY);
    EXPECT_EQ(parse("[flags]\n; nothing\n").flags, default_flags());
    EXPECT_EQ(parse("[flags]\nOnly = #010203\n").flags.size(), 1u);
    EXPECT_EQ(parse_colour("#FF8000", 0), 0x000080FFu);
    EXPECT_EQ(parse_colour("12zzzz", 7), 0x00120000u);  // 0x12 read as 0x000012 -> blue 0x12
    EXPECT_EQ(parse_colour("zzzzzz", 7), 7u);
    EXPECT_EQ(parse_colour("   ", 7), 7u);
}

TEST(SettingsReader, CompletionClampsAndDerives) {
    Settings s = parse("[identity]\nroom = Lab\n[sound]\nvolume = -5\ntone_freq = 50\ntone_ms = 10\n"
                       "[network]\nheartbeat_ms = 0\n");
    EXPECT_FALSE(s.user.empty());
    EXPECT_EQ(s.room, "Lab");
    EXPECT_EQ(s.volume, 0);
    EXPECT_EQ(s.tone_freq, 100);
    EXPECT_EQ(s.tone_ms, 30);
    EXPECT_EQ(s.heartbeat_ms, 0);
    s = parse("[sound]\nvolume = 250\n");
    EXPECT_EQ(s.volume, 100);
}

TEST(SettingsReader, SiteKeyIsReadTrimmedAndKeptAsWritten) {
    EXPECT_EQ(parse("[identity]\nuser = Bob\n").site_key, "");
    const std::string mixed = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";
    EXPECT_EQ(parse("[Security]\r\n  SITE_KEY =  " + mixed + "  \r\n").site_key, mixed);
    // Not checked here: a wrong value must reach start-up to keep the network off.
    EXPECT_EQ(parse("[security]\nsite_key = not a key\n").site_key, "not a key");
    EXPECT_EQ(parse("[security]\nsite_key =\n").site_key, "");
    // Only that key of that section.
    EXPECT_EQ(parse("[network]\nsite_key = abc\n").site_key, "");
    EXPECT_EQ(parse("[security]\nsite_key = abc\nsite_key = def\n").site_key, "def");
}

TEST(SettingsReader, ASecuritySectionThatGivesNoKeyButHoldsSomethingKeepsTheNetworkOff) {
    const std::string key = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
    const std::string mark = SITE_KEY_NOT_READ_MARK;
    // A misspelt key, another key, the value on the line after the key, a bare value:
    // the first line that gives no key stands in for it, never valid as a key.
    EXPECT_EQ(parse("[security]\nsitekey = " + key + "\n").site_key, mark + "sitekey = " + key);
    EXPECT_EQ(parse("[network]\nsite_key = abc\n[security]\nkey = def\n").site_key, mark + "key = def");
    EXPECT_EQ(parse("[security]\nsite_key =\n" + key + "\n").site_key, mark + key);
    EXPECT_EQ(parse("[security]\r\n  " + key + "  \r\n").site_key, mark + key);
    EXPECT_EQ(parse("[security]\nSiteKey = A\nsite-key = B\n").site_key, mark + "SiteKey = A");
    EXPECT_EQ(parse("[security]\n  sitekey=  \r\n").site_key, mark + "sitekey=");  // the line as written
    // The section may be given twice; the second counts as well.
    EXPECT_EQ(parse("[security]\n[flags]\nRed = #FF0000\n[Security]\nsite key = x\n").site_key,
              mark + "site key = x");
    // A key line that gives a value decides, whatever else the section holds.
    EXPECT_EQ(parse("[security]\nsitekey = abc\nsite_key = " + key + "\n").site_key, key);
    EXPECT_EQ(parse("[security]\nsite_key = " + key + "\nnote\n").site_key, key);
    EXPECT_EQ(parse("[security]\nsite_key = short\nnote\n").site_key, "short");
    // Open mode: no section, a section with nothing but comments and blank lines, an
    // empty key (given once or more), a commented-out key.
    EXPECT_EQ(parse("[security]\n").site_key, "");
    EXPECT_EQ(parse("[security]\n\n; site_key = " + key + "\n# old\n").site_key, "");
    EXPECT_EQ(parse("[security]\nsite_key =\n").site_key, "");
    EXPECT_EQ(parse("[security]\r\nsite_key = \r\nSITE_KEY=\r\n").site_key, "");
    // A header that is no header leaves [security] current; its own line is stray.
    EXPECT_EQ(parse("[security]\n[flags] ; colours\n").site_key, mark + "[flags] ; colours");
}

TEST(SettingsReader, PrivateBalloonsAndHistoryDaysAreBehaviorKeys) {
    Settings s = parse("[identity]\nuser = Bob\n");
    EXPECT_FALSE(s.private_balloons);
    EXPECT_EQ(s.history_days, 0);
    s = parse("[Behavior]\nPRIVATE_BALLOONS = on\nhistory_days = 30 days\n");
    EXPECT_TRUE(s.private_balloons);
    EXPECT_EQ(s.history_days, 30);
    s = parse("[behavior]\nprivate_balloons = 2\nhistory_days = soon\n");
    EXPECT_FALSE(s.private_balloons);
    EXPECT_EQ(s.history_days, 0);
    // Only in [behavior]; a negative count means no limit.
    s = parse("[sound]\nprivate_balloons = 1\nhistory_days = 7\n[behavior]\nhistory_days = -3\n");
    EXPECT_FALSE(s.private_balloons);
    EXPECT_EQ(s.history_days, 0);
}

TEST(SettingsReader, TextSavedByNotepadReadsTheSameWithAByteOrderMarkOrAsUtf16) {
    const std::string text = "[identity]\r\nuser = Ren\xC3\xA9\r\nroom = Lab \xF0\x9F\x94\xAC\r\n[network]\r\nmessage_port = 5001\r\n";
    const Settings plain = parse(text);
    EXPECT_EQ(plain.user, "Ren\xC3\xA9");
    EXPECT_EQ(parse("\xEF\xBB\xBF" + text), plain);
    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : utf8_to_utf16(text)) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    EXPECT_EQ(parse(utf16), plain);
    utf16 += 'x';  // an odd byte at the end is dropped
    EXPECT_EQ(parse(utf16), plain);
    // A byte-order mark only counts at the very start.
    EXPECT_NE(parse("\n\xEF\xBB\xBF[identity]\nuser = X\n").user, "X");
}

TEST(SettingsReader, APortThatEndsUpZeroTakesItsDefault) {
    Settings s = parse("[network]\r\nmessage_port = 0\r\ndiscovery_port = 65536\r\n");
    EXPECT_EQ(s.message_port, 45778);
    EXPECT_EQ(s.discovery_port, 45777);
    s = parse("[network]\r\nmessage_port = 65537\r\ndiscovery_port = 131072\r\n");
    EXPECT_EQ(s.message_port, 1);
    EXPECT_EQ(s.discovery_port, 45777);
}
