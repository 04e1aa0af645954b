// What the discovery receiver does with one announcement line.
#pragma once

#include <cstdint>
#include <string>

#include "net/peer_table.h"
#include "net/wire.h"

namespace quillnet {

// HELLO and HEARTBEAT insert or refresh the sender, BYE removes it; lines with an empty
// sender id, the own id or another kind change nothing. True when a peer was added or
// removed (the rooms list must then be rebuilt). sent_at: the timestamp of the sealed
// line that carried it, 0 in the open protocol. The caller holds peers_mutex.
bool apply_discovery_line(PeerTable& table, const ParsedLine& line, const std::string& own_id,
                          const std::string& source_address, std::int64_t now, std::int64_t sent_at = 0);

}  // namespace quillnet
