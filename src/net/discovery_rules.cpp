// Announcement handling against the peer table.
#include "net/discovery_rules.h"

#include "net/announcement.h"

namespace quillnet {

namespace {

// Ages are whole seconds taken at the sender's send and the receiver's arrival, so the
// same raise can look up to about two seconds apart between announcements.
constexpr std::int64_t RAISE_JITTER_MS = 2000;

}  // namespace

bool flags_differ(const std::vector<PeerFlag>& before, const std::vector<PeerFlag>& after) {
    if (before.size() != after.size()) return true;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i].label != after[i].label) return true;
        const std::int64_t moved = before[i].raised_ms - after[i].raised_ms;
        if (moved > RAISE_JITTER_MS || moved < -RAISE_JITTER_MS) return true;
    }
    return false;
}

DiscoveryOutcome apply_announcement(PeerTable& table, const ParsedLine& line, const std::string& own_id,
                                    const std::string& source_address, std::int64_t now) {
    DiscoveryOutcome outcome;
    const std::string sender = field_or_empty(line, 0);
    if (sender.empty() || sender == own_id) return outcome;
    if (line.kind == "HELLO" || line.kind == "HEARTBEAT") {
        PeerRecord record;
        record.id = sender;
        record.user = field_or_empty(line, 1);
        record.room = field_or_empty(line, 2);
        record.address = source_address;
        record.port = read_port_field(field_or_empty(line, 3));
        record.last_seen = now;
        const AnnouncementExtras extras = read_announcement_extras(line);
        record.speaks_l1 = extras.speaks_l1;
        for (const auto& flag : extras.flags) record.flags.push_back({flag.label, now - flag.age_s * 1000});
        const auto known = table.records.find(sender);
        if (known != table.records.end()) {
            outcome.board_changed =
                known->second.speaks_l1 != record.speaks_l1 || flags_differ(known->second.flags, record.flags);
        }
        PeerRecord replaced;
        outcome.list_changed = upsert_peer(table, record, &replaced);
        if (!replaced.id.empty() && !replaced.flags.empty()) outcome.departed.push_back(std::move(replaced));
        if (outcome.list_changed && !record.flags.empty()) outcome.board_changed = true;
        return outcome;
    }
    if (line.kind == "BYE") {
        const auto known = table.records.find(sender);
        if (known == table.records.end()) return outcome;
        if (!known->second.flags.empty()) outcome.departed.push_back(known->second);
        table.records.erase(known);
        outcome.list_changed = true;
    }
    return outcome;
}

bool apply_discovery_line(PeerTable& table, const ParsedLine& line, const std::string& own_id,
                          const std::string& source_address, std::int64_t now) {
    return apply_announcement(table, line, own_id, source_address, now).list_changed;
}

}  // namespace quillnet
