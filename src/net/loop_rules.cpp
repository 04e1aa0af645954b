// SEEN and CLEAR rules.
#include "net/loop_rules.h"

namespace quillnet {

namespace {

// A whole-seconds field as the clearer writes it; false for anything but 1..10 digits.
bool read_seconds(const std::string& text, std::int64_t& seconds) {
    if (text.empty() || text.size() > 10) return false;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    seconds = value;
    return true;
}

}  // namespace

bool seen_may_go(const SeenRequest& page, const PeerTable& peers, std::int64_t now) {
    if (page.reply_port == 0 || page.sender_address.empty()) return false;
    const auto listed = peers.records.find(page.sender_id);
    if (listed == peers.records.end()) return now - page.arrived_ms < UNLISTED_SEEN_WINDOW_MS;
    const PeerRecord& peer = listed->second;
    return peer.speaks_l1 && peer.address == page.sender_address && peer.port == page.reply_port;
}

ClearVerdict judge_clear(const ParsedLine& frame, const std::string& own_id, const std::string& address,
                         const PeerTable& peers, const OwnFlags& flags, std::int64_t now, PeerRecord& clearer) {
    if (field_or_empty(frame, 5) != own_id) return ClearVerdict::other_owner;
    const auto listed = peers.records.find(field_or_empty(frame, 1));
    if (listed == peers.records.end() || !listed->second.speaks_l1 || listed->second.address != address)
        return ClearVerdict::not_clearer;
    OwnFlag flag;
    if (!flags.find(field_or_empty(frame, 4), flag)) return ClearVerdict::not_raised;
    // An age that cannot be read claims nothing the flag could be compared with.
    std::int64_t seen_age_s = 0;
    if (!read_seconds(field_or_empty(frame, 6), seen_age_s)) return ClearVerdict::raised_again;
    const std::int64_t own_age_s = (now - flag.raised_ms) / 1000;
    if (own_age_s < seen_age_s - 2) return ClearVerdict::raised_again;
    clearer = listed->second;
    return ClearVerdict::clear;
}

std::string flag_source(const PeerRecord& peer) { return peer.room.empty() ? peer.user : peer.room; }

}  // namespace quillnet
