// What the discovery receiver does with one announcement line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/peer_table.h"
#include "net/wire.h"

namespace quillnet {

struct DiscoveryOutcome {
    bool list_changed = false;   // a peer was added or removed
    bool board_changed = false;  // a listed peer's flags or L1 word changed
    // Entries that left (BYE, or replaced by a restarted copy) while flags were raised.
    std::vector<PeerRecord> departed;
};

// HELLO and HEARTBEAT insert or refresh the sender (with its capability and raised
// flags, which replace the ones it had), BYE removes it; lines with an empty sender id,
// the own id or another kind change nothing. The caller holds peers_mutex.
DiscoveryOutcome apply_announcement(PeerTable& table, const ParsedLine& line, const std::string& own_id,
                                    const std::string& source_address, std::int64_t now);

// The same; true when a peer was added or removed (the rooms list must be rebuilt).
bool apply_discovery_line(PeerTable& table, const ParsedLine& line, const std::string& own_id,
                          const std::string& source_address, std::int64_t now);

// Whether two announcements' flags differ for the board: another label list, or a raise
// time that moved by more than the rounding of whole-second ages.
bool flags_differ(const std::vector<PeerFlag>& before, const std::vector<PeerFlag>& after);

}  // namespace quillnet
