// Builds the network check's text from the engine's snapshot, the adapter list and
// what the firewall query found.
#include "ui/network_check_report.h"

#include "net/socket_shim.h"

namespace quillnet {

namespace {

std::string port_cause(const char* name, std::uint16_t port) {
    return std::string(name) + " port " + std::to_string(port) + " is taken by another program.";
}

std::string seconds_ago(std::int64_t now_ms, std::int64_t then_ms) {
    const std::int64_t seconds = now_ms > then_ms ? (now_ms - then_ms) / 1000 : 0;
    return std::to_string(seconds) + (seconds == 1 ? " second ago" : " seconds ago");
}

std::string bound_text(bool bound) { return bound ? "bound" : "not bound"; }

}  // namespace

std::vector<std::string> likely_causes(const NetworkCheckFacts& facts) {
    const EngineDiagnostics& d = facts.engine;
    std::vector<std::string> causes;
    if (d.start_failure == StartFailure::message_port_taken) causes.push_back(port_cause("Message", d.message_port));
    if (d.start_failure == StartFailure::discovery_port_taken)
        causes.push_back(port_cause("Discovery", d.discovery_port));
    if (d.running && d.discovery_bound && !own_announcement_heard_back(d)) causes.push_back(NO_ANNOUNCEMENT_BACK_TEXT);
    return causes;
}

std::string network_check_report(const NetworkCheckFacts& facts) {
    const EngineDiagnostics& d = facts.engine;
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    line("Quillnet network check");
    const std::vector<std::string> causes = likely_causes(facts);
    if (causes.empty()) {
        line("Likely cause: none found.");
    } else {
        for (const std::string& cause : causes) line("Likely cause: " + cause);
    }
    line("");
    line("Instance id: " + (d.instance_id.empty() ? std::string("none (the network did not start)") : d.instance_id));
    if (!d.running) line("The network is off in this run.");
    line("IPv4 addresses:");
    bool any_address = false;
    for (const AdapterAddress& a : facts.adapters) {
        if (!a.adapter_up) continue;
        any_address = true;
        std::string text = "  " + format_ipv4(a.address) + "/" + std::to_string(a.prefix_length);
        std::uint32_t broadcast = 0;
        if (broadcast_address_of(a.address, a.prefix_length, broadcast)) text += ", broadcast " + format_ipv4(broadcast);
        line(text);
    }
    if (!any_address) line("  none found");
    line("Discovery port " + std::to_string(d.discovery_port) + " (UDP): " + bound_text(d.discovery_bound));
    line("Message port " + std::to_string(d.message_port) + " (TCP): " + bound_text(d.message_bound));
    line(std::string("Own announcement heard back in the last heartbeat: ") +
         (own_announcement_heard_back(d) ? "yes" : "no"));
    line(d.sealed ? "Mode: sealed, key id " + d.key_id : std::string("Mode: open"));
    line("Rooms heard: " + std::to_string(d.peers.size()));
    for (const PeerRecord& p : d.peers) {
        line("  " + p.room + " (" + p.user + ") at " + p.address + ", port " + std::to_string(p.port) +
             ", last heard " + seconds_ago(d.now_ms, p.last_seen));
    }
    line("Notices of this run: " + std::to_string(d.notices.size()));
    for (const std::string& notice : d.notices) line("  " + notice);
    if (!facts.firewall.known) {
        line("Windows Firewall for Quillnet.exe: cannot tell (" + facts.firewall.unknown_reason + ")");
    } else {
        line("Windows Firewall for Quillnet.exe:");
        for (const std::string& state : facts.firewall.state) line("  " + state);
        if (facts.firewall.rules.empty()) line("  no rule names Quillnet.exe");
        for (const std::string& rule : facts.firewall.rules) line("  " + rule);
    }
    return out;
}

}  // namespace quillnet
