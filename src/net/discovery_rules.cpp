// Announcement handling against the peer table.
#include "net/discovery_rules.h"

namespace quillnet {

bool apply_discovery_line(PeerTable& table, const ParsedLine& line, const std::string& own_id,
                          const std::string& source_address, std::int64_t now, std::int64_t sent_at) {
    const std::string sender = field_or_empty(line, 0);
    if (sender.empty() || sender == own_id) return false;
    if (line.kind == "HELLO" || line.kind == "HEARTBEAT") {
        PeerRecord record;
        record.id = sender;
        record.user = field_or_empty(line, 1);
        record.room = field_or_empty(line, 2);
        record.address = source_address;
        record.port = read_port_field(field_or_empty(line, 3));
        record.last_seen = now;
        record.sent_at = sent_at;
        return upsert_peer(table, record);
    }
    if (line.kind == "BYE") return remove_peer(table, sender) > 0;
    return false;
}

}  // namespace quillnet
