// The network check's text: every fact on its line, and the likely causes exactly.
#include <gtest/gtest.h>

#include "ui/network_check_report.h"

using namespace quillnet;

namespace {

NetworkCheckFacts healthy() {
    NetworkCheckFacts f;
    EngineDiagnostics& d = f.engine;
    d.running = true;
    d.instance_id = "0123456789abcdef0123456789abcdef";
    d.discovery_port = 45777;
    d.message_port = 45778;
    d.discovery_bound = d.message_bound = true;
    d.now_ms = 100000;
    d.previously_announced_ms = 96000;
    d.last_announced_ms = 99000;
    d.own_heard_ms = 99000;
    d.peers.resize(2);
    d.peers[0].id = "id-b", d.peers[0].user = "Bob", d.peers[0].room = "Op 2", d.peers[0].address = "10.0.0.6";
    d.peers[0].port = 45778, d.peers[0].last_seen = 98500;
    d.peers[1].id = "id-c", d.peers[1].user = "Cy", d.peers[1].room = "Front", d.peers[1].address = "10.0.0.7";
    d.peers[1].port = 46000, d.peers[1].last_seen = 88000;
    f.adapters = {{true, 0x0A000005, 24}, {false, 0x0A010001, 16}, {true, 0x7F000001, 8}};
    f.firewall.unknown_reason = "its rules cannot be read on this system";
    return f;
}

}  // namespace

TEST(NetworkCheckReport, AHealthyCopyListsEverythingAndNoCause) {
    const std::string expected =
        "Quillnet network check\r\n"
        "Likely cause: none found.\r\n"
        "\r\n"
        "Instance id: 0123456789abcdef0123456789abcdef\r\n"
        "IPv4 addresses:\r\n"
        "  10.0.0.5/24, broadcast 10.0.0.255\r\n"
        "  127.0.0.1/8, broadcast 127.255.255.255\r\n"
        "Discovery port 45777 (UDP): bound\r\n"
        "Message port 45778 (TCP): bound\r\n"
        "Own announcement heard back in the last heartbeat: yes\r\n"
        "Mode: open\r\n"
        "Rooms heard: 2\r\n"
        "  Op 2 (Bob) at 10.0.0.6, port 45778, last heard 1 second ago\r\n"
        "  Front (Cy) at 10.0.0.7, port 46000, last heard 12 seconds ago\r\n"
        "Notices of this run: 0\r\n"
        "Windows Firewall for Quillnet.exe: cannot tell (its rules cannot be read on this system)\r\n";
    EXPECT_EQ(network_check_report(healthy()), expected);
    EXPECT_TRUE(likely_causes(healthy()).empty());
}

TEST(NetworkCheckReport, NoEchoInTheLastHeartbeatIsTheBroadcastCause) {
    NetworkCheckFacts f = healthy();
    f.engine.own_heard_ms = 95000;  // before the announcement ahead of the last
    f.engine.peers.clear();
    EXPECT_EQ(likely_causes(f), (std::vector<std::string>{
                                    "No announcement came back: broadcasts may be blocked on this network (firewall, "
                                    "or a network marked Public)."}));
    const std::string text = network_check_report(f);
    EXPECT_EQ(text.find("Likely cause: No announcement came back: broadcasts may be blocked on this network "
                        "(firewall, or a network marked Public).\r\n"),
              std::string("Quillnet network check\r\n").size());
    EXPECT_NE(text.find("Own announcement heard back in the last heartbeat: no\r\n"), std::string::npos);
    f.engine.own_heard_ms = -1;  // never heard itself
    EXPECT_EQ(likely_causes(f).size(), 1u);
}

TEST(NetworkCheckReport, TakenPortsAreNamedWithTheirNumber) {
    NetworkCheckFacts f = healthy();
    EngineDiagnostics& d = f.engine;
    d = EngineDiagnostics();
    d.discovery_port = 41000;
    d.message_port = 45779;
    d.start_failure = StartFailure::message_port_taken;
    EXPECT_EQ(likely_causes(f), (std::vector<std::string>{"Message port 45779 is taken by another program."}));
    const std::string text = network_check_report(f);
    EXPECT_NE(text.find("Instance id: none (the network did not start)\r\nThe network is off in this run.\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Message port 45779 (TCP): not bound\r\n"), std::string::npos);
    EXPECT_NE(text.find("Discovery port 41000 (UDP): not bound\r\n"), std::string::npos);
    // A stopped engine is not also blamed on broadcasts.
    EXPECT_EQ(text.find("No announcement"), std::string::npos);
    d.start_failure = StartFailure::discovery_port_taken;
    EXPECT_EQ(likely_causes(f), (std::vector<std::string>{"Discovery port 41000 is taken by another program."}));
    d.start_failure = StartFailure::other;
    EXPECT_TRUE(likely_causes(f).empty());
}

TEST(NetworkCheckReport, SealedModeNoticesAndFirewallRules) {
    NetworkCheckFacts f = healthy();
    f.engine.sealed = true;
    f.engine.key_id = "0011223344556677";
    f.engine.notices = {"10.0.0.9 announces itself without the site key."};
    f.adapters.clear();
    f.firewall.known = true;
    f.firewall.state = {"Domain profile: on", "Public profile: on (current)"};
    f.firewall.rules = {"\"Quillnet discovery\": inbound, allow, UDP 45777, Domain, Private, LocalSubnet, enabled"};
    const std::string text = network_check_report(f);
    EXPECT_NE(text.find("IPv4 addresses:\r\n  none found\r\n"), std::string::npos);
    EXPECT_NE(text.find("Mode: sealed, key id 0011223344556677\r\n"), std::string::npos);
    EXPECT_NE(text.find("Notices of this run: 1\r\n  10.0.0.9 announces itself without the site key.\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Windows Firewall for Quillnet.exe:\r\n  Domain profile: on\r\n  Public profile: on "
                        "(current)\r\n  \"Quillnet discovery\": inbound, allow, UDP 45777"),
              std::string::npos);
    f.firewall.rules.clear();
    EXPECT_NE(network_check_report(f).find("  no rule names Quillnet.exe\r\n"), std::string::npos);
}
