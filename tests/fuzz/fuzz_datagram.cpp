// Fuzz target: a discovery datagram handled as the discovery receiver does it, against a
// real peer table, followed by an expiry pass and a snapshot. The table never holds the
// own id or an empty id, every record sits under its own id, and the snapshot is sorted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/announcement.h"
#include "net/discovery_rules.h"
#include "net/peer_table.h"
#include "net/wire.h"

namespace {

std::vector<std::string> ids_of(const quillnet::PeerTable& table) {
    std::vector<std::string> ids;
    for (const auto& entry : table.records) ids.push_back(entry.first);
    return ids;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillnet;
    if (size > DATAGRAM_BUFFER_SIZE) return 0;  // refused whole by the receive call
    const std::string own_id = "{00000000-0000-4000-8000-000000000000}";
    PeerTable table;
    // A peer known before this datagram, so BYE and updates have something to act on.
    upsert_peer(table, PeerRecord{"{KNOWN}", "known", "room", "10.0.0.9", 45778, 5, true, {{"Red", 0}}});

    std::int64_t now = 10;
    const char* bytes = reinterpret_cast<const char*>(data);
    for (const auto& text : split_datagram_lines(bytes, size)) {
        if (text.empty() || text.find('\n') != std::string::npos) std::abort();
        // A change of the rooms list is a change of the set of ids: a new id from the
        // address and port of a listed one replaces it, so the count may stay the same.
        const std::vector<std::string> before = ids_of(table);
        const ParsedLine line = parse_line(text);
        const DiscoveryOutcome outcome = apply_announcement(table, line, own_id, "192.168.1.20", now++);
        if (outcome.list_changed != (ids_of(table) != before)) std::abort();
        for (const auto& gone : outcome.departed)
            if (gone.flags.empty()) std::abort();
        // Flags read: at most eight, labels distinct and never empty, ages 10 digits.
        const AnnouncementExtras extras = read_announcement_extras(line);
        if (extras.flags.size() > MAX_PEER_FLAGS) std::abort();
        for (std::size_t i = 0; i < extras.flags.size(); ++i) {
            if (extras.flags[i].label.empty() || extras.flags[i].age_s < 0 || extras.flags[i].age_s > MAX_ANNOUNCED_AGE_S)
                std::abort();
            for (std::size_t j = 0; j < i; ++j)
                if (extras.flags[j].label == extras.flags[i].label) std::abort();
        }
        // An announcement written back from what was read fits and reads the same.
        std::vector<AnnouncedFlag> again;
        for (const auto& f : extras.flags) again.push_back({announced_label(f.label), f.age_s});
        const std::string written = announcement_line("HEARTBEAT", "{W}", field_or_empty(line, 1), "", "1", again,
                                                      DATAGRAM_BUFFER_SIZE);
        if (written.size() > DATAGRAM_BUFFER_SIZE && written.size() > field_or_empty(line, 1).size() + 64) std::abort();
        for (const auto& f : again)
            if (f.label.size() > MAX_ANNOUNCED_LABEL_BYTES) std::abort();
    }
    for (const auto& entry : table.records) {
        if (entry.first.empty() || entry.first == own_id || entry.first != entry.second.id) std::abort();
    }

    const std::int64_t cutoff = size > 0 ? static_cast<std::int64_t>(data[0]) : 0;
    const std::size_t before = table.records.size();
    const bool removed = expire_peers(table, cutoff);
    if (removed != (table.records.size() != before)) std::abort();
    for (const auto& entry : table.records) {
        if (entry.second.last_seen < cutoff) std::abort();
    }

    PeerSnapshot snapshot = copy_peers(table);
    sort_snapshot(snapshot);
    for (std::size_t i = 1; i < snapshot.size(); ++i) {
        const PeerRecord& a = snapshot[i - 1];
        const PeerRecord& b = snapshot[i];
        if (a.user > b.user || (a.user == b.user && !(a.id < b.id))) std::abort();
    }
    return 0;
}
