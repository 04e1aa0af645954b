// The network check's report: what this copy knows of its network, and the likely
// cause of trouble in one line each, as the plain text the window shows and Copy puts
// on the clipboard.
#pragma once

#include <string>
#include <vector>

#include "net/adapters.h"
#include "net/engine_diagnostics.h"

namespace quillnet {

// What could be read of the Windows Firewall for the program.
struct FirewallFindings {
    bool known = false;
    std::string unknown_reason;      // when !known: why it cannot tell
    std::vector<std::string> state;  // per profile, e.g. "Domain profile: on"
    std::vector<std::string> rules;  // one line per rule naming the program
};

struct NetworkCheckFacts {
    EngineDiagnostics engine;
    std::vector<AdapterAddress> adapters;
    FirewallFindings firewall;
};

constexpr const char* NO_ANNOUNCEMENT_BACK_TEXT =
    "No announcement came back: broadcasts may be blocked on this network (firewall, or a network marked Public).";

// The likely causes found, one line each, most decisive first; empty when none.
std::vector<std::string> likely_causes(const NetworkCheckFacts& facts);

// The whole report, UTF-8, CR LF line ends.
std::string network_check_report(const NetworkCheckFacts& facts);

}  // namespace quillnet
