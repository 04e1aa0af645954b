// The installer's public properties: checked as the program reads them, and the first
// Quillnet.ini written from them exactly as the program's settings writer writes it.
#include <gtest/gtest.h>

#include <string>

#include "config/settings_reader.h"
#include "setup/install_plan.h"

using namespace quillnet;

namespace {

const char* const KEY = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";

InstallProperties clinic_properties() {
    InstallProperties p;
    p.user = "Desk";
    p.room = "Op 1";
    p.discovery_port = "46777";
    p.message_port = "46778";
    p.seed_peers = "10.0.0.5,10.0.0.6 ,, 10.0.0.7";
    p.site_key = std::string("  ") + KEY + " ";
    return p;
}

}  // namespace

TEST(InstallPlan, FirstFileIsTheWritersTextOfTheProperties) {
    const InstallPlan plan = plan_install(clinic_properties(), nullptr);
    ASSERT_EQ(plan.error, "");
    ASSERT_TRUE(plan.write_file);
    const std::string expected =
        "; Quillnet configuration (auto-saved).\r\n\r\n[identity]\r\nuser = Desk\r\nroom = Op 1\r\n\r\n"
        "[network]\r\ndiscovery_port = 46777\r\nmessage_port   = 46778\r\n"
        "seed_peers = 10.0.0.5, 10.0.0.6, 10.0.0.7\r\n"
        "heartbeat_ms    = 3000\r\npeer_timeout_ms = 12000\r\n\r\n"
        "[sound]\r\nenabled = 1\r\nfile = \r\nvolume = 80\r\ntone_freq = 880\r\ntone_ms = 250\r\n\r\n"
        "[behavior]\r\nalways_on_top = 1\r\nstart_minimized = 1\r\nauto_minimize_after_send = 1\r\n"
        "bring_to_front_on_receive = 1\r\ninterrupt_screensaver_on_receive = 1\r\nlog_view_lines = 5000\r\nprivate_balloons = 0\r\nhistory_days = 0\r\n\r\n"
        "[quick_messages]\r\n; F1..F10 quick messages sent with the function keys.\r\n"
        "1 = Yes\r\n2 = No\r\n3 = Take Msg\r\n4 = Will Call\r\n5 = Pt Ready\r\n6 = Do Premed\r\n"
        "7 = Wait\r\n8 = Next Case\r\n9 = Come Here\r\n10 = EMERG\r\n\r\n"
        "[flags]\r\nRed = #DC2828\r\nBlue = #285ADC\r\nGreen = #1EA03C\r\nYellow = #E6BE1E\r\n"
        "Orange = #EB8214\r\nPurple = #8C3CBE\r\n\r\n"
        "[security]\r\nsite_key = 00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff\r\n";
    EXPECT_EQ(plan.file_text, expected);
    EXPECT_EQ(plan.discovery_port, 46777);
    EXPECT_EQ(plan.message_port, 46778);
    // The program reads back what it was given.
    const Settings back = parse_settings_text(plan.file_text, L"Quillnet.ini");
    EXPECT_EQ(back.user, "Desk");
    EXPECT_EQ(back.room, "Op 1");
    EXPECT_EQ(back.seed_peers.size(), 3u);
    EXPECT_EQ(back.site_key.size(), 64u);
}

TEST(InstallPlan, OnePropertyIsEnoughAndTheRestComesFromTheProgramsCompletion) {
    InstallProperties p;
    p.user = " Front ";
    const InstallPlan plan = plan_install(p, nullptr);
    ASSERT_TRUE(plan.write_file);
    EXPECT_NE(plan.file_text.find("\r\nuser = Front\r\nroom = Front\r\n"), std::string::npos);
    EXPECT_NE(plan.file_text.find("discovery_port = 45777\r\nmessage_port   = 45778\r\n"), std::string::npos);
    // Open mode: no [security] section at all.
    EXPECT_EQ(plan.file_text.find("[security]"), std::string::npos);
}

TEST(InstallPlan, NoPropertiesWriteNoFileAndOpenTheDefaultPorts) {
    const InstallPlan plan = plan_install(InstallProperties(), nullptr);
    EXPECT_EQ(plan.error, "");
    EXPECT_FALSE(plan.write_file);
    EXPECT_EQ(plan.discovery_port, 45777);
    EXPECT_EQ(plan.message_port, 45778);
}

TEST(InstallPlan, AnExistingFileStaysAndItsPortsAreTheOnesOpened) {
    const std::string existing = "[network]\r\ndiscovery_port = 41000\r\nmessage_port = 41001\r\n";
    const InstallPlan plan = plan_install(clinic_properties(), &existing);
    EXPECT_EQ(plan.error, "");
    EXPECT_FALSE(plan.write_file);
    EXPECT_EQ(plan.file_text, "");
    EXPECT_EQ(plan.discovery_port, 41000);
    EXPECT_EQ(plan.message_port, 41001);
    // A file without ports: the program's defaults, not the properties.
    const std::string bare = "[identity]\r\nuser = Ann\r\n";
    EXPECT_EQ(plan_install(clinic_properties(), &bare).discovery_port, 45777);
}

TEST(InstallPlan, SiteKeyIsCheckedAsTheProgramChecksIt) {
    const std::string message = "The site key given in SITE_KEY is not valid (64 hexadecimal digits expected).";
    const std::string valid = KEY;
    for (const std::string& bad : {valid.substr(1), valid + "0", "g" + valid.substr(1), std::string("abc"),
                                   valid.substr(0, 32) + " " + valid.substr(32)}) {
        InstallProperties p = clinic_properties();
        p.site_key = bad;
        const InstallPlan plan = plan_install(p, nullptr);
        EXPECT_EQ(plan.error, message) << bad;
        EXPECT_FALSE(plan.write_file) << bad;
        // Refused even when a file stays: the command line is wrong either way.
        const std::string existing = "[identity]\r\nuser = Ann\r\n";
        EXPECT_EQ(plan_install(p, &existing).error, message) << bad;
    }
    InstallProperties blank = clinic_properties();
    blank.site_key = "   ";
    EXPECT_EQ(plan_install(blank, nullptr).error, "");
}

TEST(InstallPlan, PortsAndLineBreaksAreRefusedWithTheirName) {
    for (const char* bad : {"0", "65536", "12a", "-1", "+5", "4577700", " 1 2"}) {
        InstallProperties p = clinic_properties();
        p.message_port = bad;
        EXPECT_EQ(plan_install(p, nullptr).error,
                  "MESSAGE_PORT is not valid (a port number from 1 to 65535 expected).")
            << bad;
    }
    InstallProperties p = clinic_properties();
    p.discovery_port = " 65535 ";
    EXPECT_EQ(plan_install(p, nullptr).discovery_port, 65535);
    p.discovery_port = "x";
    EXPECT_EQ(plan_install(p, nullptr).error,
              "DISCOVERY_PORT is not valid (a port number from 1 to 65535 expected).");
    p = clinic_properties();
    p.room = "Op 1\r\n[network]";
    EXPECT_EQ(plan_install(p, nullptr).error, "ROOM is not valid (it holds a line break).");
}
