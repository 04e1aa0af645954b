// Peer table operations: upsert, remove, expiry and the rooms-list order.
#include "net/peer_table.h"

#include <algorithm>

namespace quillnet {

bool upsert_peer(PeerTable& table, const PeerRecord& record, PeerRecord* replaced) {
    auto found = table.records.find(record.id);
    if (found != table.records.end()) {
        found->second = record;
        return false;
    }
    if (record.port != 0) {
        for (auto it = table.records.begin(); it != table.records.end(); ++it) {
            if (it->second.port == record.port && it->second.address == record.address) {
                if (replaced) *replaced = std::move(it->second);
                table.records.erase(it);
                break;  // the rule keeps at most one entry per address and port
            }
        }
    }
    if (table.records.size() >= MAX_PEERS) return false;
    table.records.emplace(record.id, record);
    return true;
}

std::size_t remove_peer(PeerTable& table, const std::string& id) { return table.records.erase(id); }

bool expire_peers(PeerTable& table, std::int64_t cutoff, std::vector<PeerRecord>* gone) {
    bool removed = false;
    for (auto it = table.records.begin(); it != table.records.end();) {
        if (it->second.last_seen < cutoff) {
            if (gone) gone->push_back(std::move(it->second));
            it = table.records.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

PeerSnapshot copy_peers(const PeerTable& table) {
    PeerSnapshot out;
    out.reserve(table.records.size());
    for (const auto& entry : table.records) out.push_back(entry.second);
    return out;
}

void sort_snapshot(PeerSnapshot& snapshot) {
    // std::string compares as unsigned bytes (char_traits<char>::compare uses memcmp),
    // which is the byte order wanted here whatever the signedness of char.
    std::sort(snapshot.begin(), snapshot.end(), [](const PeerRecord& a, const PeerRecord& b) {
        const int by_user = a.user.compare(b.user);
        if (by_user != 0) return by_user < 0;
        return a.id < b.id;
    });
}

}  // namespace quillnet
