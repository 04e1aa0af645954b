// The rules that decide what a SEEN or CLEAR frame may do, and when a SEEN may go back,
// each judged against the peer table. Pure functions; the caller holds peers_mutex.
#pragma once

#include <cstdint>
#include <string>

#include "net/own_flags.h"
#include "net/peer_table.h"
#include "net/wire.h"

namespace quillnet {

// A page a SEEN may be sent for, with no other recipient listed that is older than this.
constexpr std::int64_t UNLISTED_SEEN_WINDOW_MS = 600000;

// A page shown here that the person acknowledged, as the window knows it.
struct SeenRequest {
    std::string page_id;         // the page's MessageId (field 0)
    std::string sender_id;       // field 1
    std::string sender_address;  // where the page came from
    std::uint16_t reply_port = 0;
    std::int64_t arrived_ms = 0;  // milliseconds_since_start() at receipt
};

// A SEEN goes back when field 1 names a listed peer that speaks L1, whose address is the
// page's and whose message port is the reply port; or when field 1 names no listed peer
// (a command-line sender) and the page arrived less than UNLISTED_SEEN_WINDOW_MS ago.
// Never without a reply port.
bool seen_may_go(const SeenRequest& page, const PeerTable& peers, std::int64_t now);

enum class ClearVerdict {
    clear,         // the flag goes
    other_owner,   // field 5 is not this copy
    not_clearer,   // not from the address of a listed L1 peer whose id is field 1
    not_raised,    // no own flag has this label
    raised_again,  // the own flag is younger than the age the clearer saw, less 2 s
};

// The owner's decision on a CLEAR frame; clearer receives the listed peer that sent it
// when the verdict is clear.
ClearVerdict judge_clear(const ParsedLine& frame, const std::string& own_id, const std::string& address,
                         const PeerTable& peers, const OwnFlags& flags, std::int64_t now, PeerRecord& clearer);

// The label a peer's flags are shown under when they go: its room, or its user when
// the room is empty.
std::string flag_source(const PeerRecord& peer);

}  // namespace quillnet
