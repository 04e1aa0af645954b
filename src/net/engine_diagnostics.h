// A plain snapshot of what the engine knows about its own network state, for the
// network check: ports and whether they are bound, the mode, whether this copy's own
// announcements come back to it, the rooms heard and the notices of this run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/peer_table.h"

namespace quillnet {

// Why the last start failed, as far as the network check can explain it.
enum class StartFailure { none, discovery_port_taken, message_port_taken, other };

struct EngineDiagnostics {
    bool running = false;
    std::string instance_id;
    std::uint16_t discovery_port = 0;
    std::uint16_t message_port = 0;
    bool discovery_bound = false;
    bool message_bound = false;
    StartFailure start_failure = StartFailure::none;
    bool sealed = false;
    std::string key_id;  // 16 hexadecimal digits in sealed mode, else empty
    // Milliseconds since system start: now, the last two announcements this copy sent
    // (HELLO or HEARTBEAT) and the last time one of its own came back; -1 for never.
    std::int64_t now_ms = 0;
    std::int64_t last_announced_ms = -1;
    std::int64_t previously_announced_ms = -1;
    std::int64_t own_heard_ms = -1;
    PeerSnapshot peers;                // sorted as the rooms list shows them
    std::vector<std::string> notices;  // posted in this run, oldest first
};

// True when one of this copy's own announcements came back since the one before the
// last was sent: broadcasts reach this host's own socket over the adapter. (The last
// one alone may still be on its way.)
bool own_announcement_heard_back(const EngineDiagnostics& d);

struct ParsedLine;
// A HELLO or HEARTBEAT line whose sender is own_id: this copy's own announcement.
bool is_own_announcement(const ParsedLine& line, const std::string& own_id);

}  // namespace quillnet
