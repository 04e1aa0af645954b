// What qnsend prints and the exit status it ends with.
#pragma once

#include <string>
#include <vector>

#include "net/peer_table.h"
#include "qnsend/message.h"

namespace quillnet {

constexpr int EXIT_ALL_DELIVERED = 0;
constexpr int EXIT_SOME_DELIVERED = 1;
constexpr int EXIT_NONE_DELIVERED = 2;
constexpr int EXIT_NO_SUCH_ROOM = 3;  // also: nobody online
constexpr int EXIT_NOT_SEEN = 4;      // delivered to all, not seen in time by all that can
constexpr int EXIT_USAGE = 64;
constexpr int EXIT_UNAVAILABLE = 69;  // the discovery port cannot be opened
constexpr int EXIT_SETTINGS = 78;

struct RecipientOutcome {
    PeerRecord peer;
    bool delivered = false;
};

// "✓ delivered (a/n)", "⚠ a/n delivered" or "✗ not delivered (0/n)", as the window's log.
std::string tally_text(int acknowledged, int attempted);
int exit_code_for(int acknowledged, int attempted);

// A JSON string literal; invalid UTF-8 becomes U+FFFD.
std::string json_string(const std::string& text);

// --list: one room a line (user, room, address, port; tab-separated), or one JSON object.
std::string rooms_text(const PeerSnapshot& online);
std::string rooms_json(const PeerSnapshot& online);

// A sent page: the tally line, or one JSON object with every recipient's outcome.
std::string result_text(const std::vector<RecipientOutcome>& outcomes);
std::string result_json(const OutgoingPage& page, const std::string& message_id,
                        const std::vector<RecipientOutcome>& outcomes);
// The same with "seen_by": the rooms that acknowledged, in order of arrival.
std::string result_json(const OutgoingPage& page, const std::string& message_id,
                        const std::vector<RecipientOutcome>& outcomes, const std::vector<PeerRecord>& seen_by);

// A peer's label: its user, then " (" + room + ")" when the room is not empty.
std::string peer_label(const PeerRecord& peer);
// --list with raised flags: each room's line is followed, for rooms that keep raised
// flags, by one line per flag (a tab, the flag, a tab, its age in seconds); JSON gives
// each room that keeps a board (L1) a "flags" list of {label, age_s}; other rooms have
// none. now is milliseconds_since_start().
std::string rooms_text(const PeerSnapshot& online, std::int64_t now);
std::string rooms_json(const PeerSnapshot& online, std::int64_t now);

// Unknown names: the error message with the rooms online; no names or nobody online:
// "nobody online". Or the same as JSON.
std::string no_room_text(const std::vector<std::string>& unknown, const PeerSnapshot& online);
std::string no_room_json(const std::vector<std::string>& unknown, const PeerSnapshot& online);

}  // namespace quillnet
