// The fields that announcements carry beyond the instance, user, room and port: the
// capability words (field 4) and one field per raised flag (fields 5+, HELLO and
// HEARTBEAT only). Building them to fit a datagram, and reading them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/wire.h"

namespace quillnet {

// The capability words this copy writes into field 4.
constexpr const char* OWN_CAPABILITIES = "L1";
constexpr std::size_t MAX_ANNOUNCED_LABEL_BYTES = 64;
// Flags taken from one peer's announcement.
constexpr std::size_t MAX_PEER_FLAGS = 8;
// Ages are 1 to 10 decimal digits on the wire.
constexpr std::int64_t MAX_ANNOUNCED_AGE_S = 9999999999LL;

struct AnnouncedFlag {
    std::string label;
    std::int64_t age_s = 0;
};

// label with line ends and separators turned into spaces, cut to the longest prefix
// of at most MAX_ANNOUNCED_LABEL_BYTES not followed by a UTF-8 continuation byte.
std::string announced_label(const std::string& label);

// The whole announcement (with its LF): fields 0..4, then, for HELLO and HEARTBEAT,
// one field per flag in the order given while the line stays within limit bytes with
// its LF (stopping at the first that does not fit).
std::string announcement_line(const std::string& kind, const std::string& id, const std::string& user,
                              const std::string& room, const std::string& port,
                              const std::vector<AnnouncedFlag>& flags, std::size_t limit);

struct AnnouncementExtras {
    bool speaks_l1 = false;
    std::vector<AnnouncedFlag> flags;  // at most MAX_PEER_FLAGS, labels distinct, field order
};

// Field 4's words and the flag fields of a received announcement; fields that are not
// flags are skipped.
AnnouncementExtras read_announcement_extras(const ParsedLine& line);

// True when word appears among the comma-separated words of field, exactly.
bool has_capability(const std::string& field, const std::string& word);

}  // namespace quillnet
