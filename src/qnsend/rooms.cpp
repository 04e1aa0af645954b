// Room matching for qnsend's --to.
#include "qnsend/rooms.h"

#include "config/settings_reader.h"

namespace quillnet {

bool can_be_paged(const PeerRecord& peer) { return !peer.address.empty() && peer.port != 0; }

bool room_matches(const PeerRecord& peer, const std::string& name) {
    const std::string wanted = ascii_lower(name);
    return ascii_lower(peer.room) == wanted || ascii_lower(peer.user) == wanted;
}

RoomChoice choose_rooms(const PeerSnapshot& online, const std::vector<std::string>& names) {
    RoomChoice choice;
    for (const auto& peer : online) {
        if (!can_be_paged(peer)) continue;
        bool named = names.empty();
        for (const auto& name : names) named = named || room_matches(peer, name);
        if (named) choice.targets.push_back(peer);
    }
    for (const auto& name : names) {
        bool found = false;
        for (const auto& peer : choice.targets) found = found || room_matches(peer, name);
        if (!found) choice.unknown.push_back(name);
    }
    return choice;
}

}  // namespace quillnet
