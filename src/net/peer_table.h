// The table of known remote instances, keyed by instance id, and the sorted copy the
// rooms list shows. Callers hold the engine's peers_mutex around every operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillnet {

// A flag a peer announces as raised: its announced label, and when it was raised on
// this copy's clock (arrival of the announcement minus the announced age).
struct PeerFlag {
    std::string label;
    std::int64_t raised_ms = 0;

    bool operator==(const PeerFlag& other) const { return label == other.label && raised_ms == other.raised_ms; }
};

struct PeerRecord {
    std::string id;       // the peer's instance id, equal to its key in the table
    std::string user;
    std::string room;
    std::string address;  // dotted IPv4 source address of its last announcement
    std::uint16_t port = 0;  // announced TCP message port; 0 when absent or not numeric
    std::int64_t last_seen = 0;  // milliseconds since system start
    bool speaks_l1 = false;      // its latest announcement named the L1 capability
    std::vector<PeerFlag> flags;  // raised flags of its latest announcement, field order
    // Sealed mode: the sender's timestamp on the newest line accepted from it (0 in the
    // open protocol, whose lines carry none).
    std::int64_t sent_at = 0;
};

// Most records the table holds. Announcements are unauthenticated, so a flood of made-up
// ids must not grow the table (and the rooms list) without limit: while the table is
// full, new ids are ignored, known peers keep refreshing, and expired or departed
// entries make room again. Real sites have a few dozen rooms.
constexpr std::size_t MAX_PEERS = 1024;

// Records ordered by byte-wise comparison of the ids (std::string's own order).
struct PeerTable {
    std::map<std::string, PeerRecord> records;
};

using PeerSnapshot = std::vector<PeerRecord>;

// Inserts or overwrites the record with record.id (keeping the later sent_at); true
// when the id was new and was added. A new id announced from the address and port of
// another entry replaces that entry: two running copies cannot share a message port, so
// the old one is a copy that restarted (after a crash, without BYE). Under a site key it
// does so only when its line is later than the newest one accepted from that entry, and
// is dropped otherwise: a recorded announcement of an earlier instance must not push a
// live room off the list. A new id is not added while the table holds MAX_PEERS
// records. Every insertion goes through here.
// replaced, when given, receives the entry a restarted copy's record replaced (its id
// is left empty when none was).
bool upsert_peer(PeerTable& table, const PeerRecord& record, PeerRecord* replaced = nullptr);
// Number of records removed (0 or 1).
std::size_t remove_peer(PeerTable& table, const std::string& id);
// Removes every record whose last_seen is below cutoff; true when any was removed.
// removed, when given, receives the records that went.
bool expire_peers(PeerTable& table, std::int64_t cutoff, std::vector<PeerRecord>* removed = nullptr);
// All records in key order.
PeerSnapshot copy_peers(const PeerTable& table);
// Sorts by user name, then id, both byte-wise.
void sort_snapshot(PeerSnapshot& snapshot);

}  // namespace quillnet
