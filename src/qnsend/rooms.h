// Which rooms heard on the LAN a page goes to: by room name or user name, without
// regard to ASCII letter case.
#pragma once

#include <string>
#include <vector>

#include "net/peer_table.h"

namespace quillnet {

// A peer can be paged when it announced an address and a message port.
bool can_be_paged(const PeerRecord& peer);
bool room_matches(const PeerRecord& peer, const std::string& name);

struct RoomChoice {
    std::vector<PeerRecord> targets;   // in the order of online, each at most once
    std::vector<std::string> unknown;  // names no pageable peer answers to
};

// No names: every pageable peer.
RoomChoice choose_rooms(const PeerSnapshot& online, const std::vector<std::string>& names);

}  // namespace quillnet
