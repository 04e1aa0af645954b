// The canonical configuration text and the safe replacement of the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <string>

#include "base/file_io.h"
#include "config/settings_reader.h"
#include "config/settings_writer.h"
#include "test_paths.h"

using namespace quillnet;

TEST(SettingsWriter, CanonicalTextOfDefaults) {
    Settings s;
    s.user = "Bob";
    s.room = "Front Desk";
    complete_settings(s);
    const std::string expected =
        "; Quillnet configuration (auto-saved).\r\n\r\n[identity]\r\nuser = Bob\r\nroom = Front Desk\r\n\r\n"
        "[network]\r\ndiscovery_port = 45777\r\nmessage_port   = 45778\r\nseed_peers = \r\n"
        "heartbeat_ms    = 3000\r\npeer_timeout_ms = 12000\r\n\r\n"
        "[sound]\r\nenabled = 1\r\nfile = \r\nvolume = 80\r\ntone_freq = 880\r\ntone_ms = 250\r\n\r\n"
        "[behavior]\r\nalways_on_top = 1\r\nstart_minimized = 1\r\nauto_minimize_after_send = 1\r\n"
        "bring_to_front_on_receive = 1\r\ninterrupt_screensaver_on_receive = 1\r\nlog_view_lines = 5000\r\n"
        "private_balloons = 0\r\nhistory_days = 0\r\n\r\n"
        "[quick_messages]\r\n; F1..F10 quick messages sent with the function keys.\r\n"
        "1 = Yes\r\n2 = No\r\n3 = Take Msg\r\n4 = Will Call\r\n5 = Pt Ready\r\n6 = Do Premed\r\n"
        "7 = Wait\r\n8 = Next Case\r\n9 = Come Here\r\n10 = EMERG\r\n\r\n"
        "[flags]\r\nRed = #DC2828\r\nBlue = #285ADC\r\nGreen = #1EA03C\r\nYellow = #E6BE1E\r\n"
        "Orange = #EB8214\r\nPurple = #8C3CBE\r\n";
    EXPECT_EQ(settings_text(s), expected);
}

TEST(SettingsWriter, ValuesWrittenAsHeld) {
    Settings s;
    s.user = "  Ann  ";
    s.seed_peers = {"10.0.0.5", "10.0.0.9"};
    s.heartbeat_ms = -200;
    s.quick_messages = {"A", "", "C", "4", "5", "6", "7", "8", "9", "10", "11"};
    s.flags = {{"Amber", 0x000080FF}};
    s.log_view_lines = 250;
    const std::string text = settings_text(s);
    EXPECT_NE(text.find("interrupt_screensaver_on_receive = 1\r\nlog_view_lines = 250\r\n"), std::string::npos);
    EXPECT_NE(text.find("user =   Ann  \r\n"), std::string::npos);
    EXPECT_NE(text.find("seed_peers = 10.0.0.5, 10.0.0.9\r\n"), std::string::npos);
    EXPECT_NE(text.find("heartbeat_ms    = -200\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n2 = \r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n10 = 10\r\n"), std::string::npos);
    EXPECT_EQ(text.find("11 = "), std::string::npos);
    EXPECT_NE(text.find("Amber = #FF8000\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(text.find("\r\n\r\n\r\n"), std::string::npos);

    // The empty F2 is dropped by the reader, so C moves up to F2.
    const Settings back = parse_settings_text(text, L"x");
    EXPECT_EQ(back.user, "Ann");
    EXPECT_EQ(back.quick_messages[1], "C");
    EXPECT_EQ(back.log_view_lines, 250);
}

TEST(SettingsWriter, RoundTripThroughTheFile) {
    const std::wstring path = test_temp_path(L"roundtrip.ini");
    delete_file(path);
    Settings s = load_settings(path);  // missing: completed defaults
    EXPECT_FALSE(path_exists(path));   // the reader never creates the file
    s.seed_peers = {"192.168.1.7"};
    s.sound_file = "C:\\sounds\\ding \xC3\xA9.wav";
    s.volume = 35;
    s.always_on_top = false;
    s.flags.push_back({"Teal \xF0\x9F\x90\x9F", 0x00808000});
    s.private_balloons = true;
    s.history_days = 45;
    ASSERT_TRUE(save_settings(s));
    const Settings back = load_settings(path);
    EXPECT_EQ(back, s);
    delete_file(path);
}

TEST(SettingsWriter, FailedSaveLeavesOldFileAndReportsFalse) {
    const std::wstring path = test_temp_path(L"keep.ini");
    ASSERT_TRUE(replace_file_contents(path, "[identity]\r\nuser = Keep\r\n"));
    Settings s = load_settings(path);
    // A folder that does not exist cannot take the temporary file.
    Settings elsewhere = s;
    elsewhere.ini_path = test_temp_path(L"no-such-folder") + L"/x/Quillnet.ini";
    EXPECT_FALSE(save_settings(elsewhere));
    Settings no_path = s;
    no_path.ini_path.clear();
    EXPECT_FALSE(save_settings(no_path));
    std::string bytes;
    ASSERT_TRUE(read_file_bytes(path, bytes));
    EXPECT_EQ(bytes, "[identity]\r\nuser = Keep\r\n");
    delete_file(path);
}

TEST(SettingsWriter, SiteKeyComesLastInItsOwnSectionInLowerCaseAndOnlyWhenSet) {
    Settings s;
    s.user = "Bob";
    complete_settings(s);
    const std::string open_text = settings_text(s);
    EXPECT_EQ(open_text.find("[security]"), std::string::npos);

    const std::string key = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";
    s.site_key = key;
    const std::string sealed_text = settings_text(s);
    EXPECT_EQ(sealed_text, open_text + "\r\n[security]\r\nsite_key = "
                                       "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff\r\n");
    Settings back = parse_settings_text(sealed_text, L"x");
    back.ini_path = s.ini_path;
    s.site_key = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
    EXPECT_EQ(back, s);
    // A key that is not valid is kept too: saving other settings must never open a
    // workstation whose key is broken.
    s.site_key = "Not A Key";
    EXPECT_EQ(parse_settings_text(settings_text(s), L"x").site_key, "Not A Key");
}

TEST(SettingsWriter, AKeyThatCouldNotBeReadStaysUnreadableThroughASave) {
    Settings s = parse_settings_text("[security]\r\nsitekey = ABC\r\n", L"x");
    ASSERT_EQ(s.site_key, std::string(SITE_KEY_NOT_READ_MARK) + "sitekey = ABC");
    const Settings back = parse_settings_text(settings_text(s), L"x");
    EXPECT_EQ(back.site_key, std::string(SITE_KEY_NOT_READ_MARK) + "sitekey = ABC");
}

TEST(SettingsWriter, TheTemporaryFileHasAFreshUnguessableNameBesideTheFileAndGoesAway) {
    const std::wstring folder = test_temp_path(L"temp-names");
    create_directory(folder);
    const std::wstring path = folder + L"/Quillnet.ini";
    const std::wstring a = replacement_temp_path(path);
    const std::wstring b = replacement_temp_path(path);
    ASSERT_EQ(a.size(), path.size() + REPLACEMENT_NAME_EXTRA_UNITS);
    EXPECT_EQ(a.compare(0, path.size(), path), 0);  // same folder, so the move stays on one volume
    EXPECT_NE(a, b);
    // Sixteen random hexadecimal digits between ".~" and ".tmp".
    EXPECT_EQ(a.substr(path.size(), 2), L".~");
    EXPECT_EQ(a.substr(a.size() - 4), L".tmp");
    for (std::size_t i = path.size() + 2; i < a.size() - 4; ++i)
        EXPECT_TRUE(std::iswxdigit(a[i])) << "unit " << i;

    // First save (no file yet) and a replacement: each leaves only the file behind.
    ASSERT_TRUE(replace_file_contents(path, "one"));
    ASSERT_TRUE(replace_file_contents(path, "two"));
    std::string bytes;
    ASSERT_TRUE(read_file_bytes(path, bytes));
    EXPECT_EQ(bytes, "two");
    EXPECT_TRUE(delete_file(path));
    EXPECT_TRUE(remove_directory(folder)) << "a temporary file was left in the folder";
}

TEST(SettingsWriter, AFileThatIsThereButCannotBeReadIsToldApartFromAMissingOne) {
    std::string bytes = "stale";
    std::wstring reason = L"stale";
    EXPECT_EQ(read_file_bytes_checked(test_temp_path(L"no-such.ini"), bytes, reason), FileRead::missing);
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(reason.empty());
    EXPECT_EQ(read_file_bytes_checked(test_temp_path(L"no-such-dir") + L"/x/Quillnet.ini", bytes, reason),
              FileRead::missing);
    // A folder in the file's place cannot be read as a file.
    const std::wstring folder = test_temp_path(L"folder.ini");
    create_directory(folder);
    EXPECT_EQ(read_file_bytes_checked(folder, bytes, reason), FileRead::failed);
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(reason.back(), L'.');
    EXPECT_NE(reason.back(), L'\n');
    const SettingsFile file = read_settings_file(folder);
    EXPECT_TRUE(file.unreadable);
    EXPECT_EQ(file.reason, reason);
    EXPECT_EQ(file.settings.ini_path, folder);
    EXPECT_EQ(file.settings.quick_messages.size(), 10u);  // still completed defaults
    EXPECT_EQ(unreadable_settings_text(L"Access is denied"),
              L"Quillnet.ini could not be read (Access is denied). The network is off until it can be read.");
    remove_directory(folder);
    EXPECT_FALSE(read_settings_file(test_temp_path(L"no-such.ini")).unreadable);
}
