// The rows of the raised-flags board, worked out without a window: which flags are
// shown, in which order, under which source, with which age text and colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"

namespace quillnet {

// Rows the board shows at most; its caption counts every raised flag.
constexpr std::size_t MAX_BOARD_ROWS = 64;
// Colour of a row whose label has no colour among this copy's own flags.
constexpr ColourRef UNKNOWN_BOARD_COLOUR = 0x787878;

// One copy that can have raised flags: this one, or a listed peer.
struct BoardSource {
    std::string id;  // InstanceId
    std::string user;
    std::string room;
    bool own = false;
    struct Flag {
        std::string label;          // the announced label
        std::int64_t raised_ms = 0;  // on this copy's clock
    };
    std::vector<Flag> flags;
};

// A row of the board. (owner_id, label) names the flag across rebuilds.
struct BoardRow {
    std::string owner_id;
    std::string label;
    std::string source;  // UTF-8
    std::string owner_room;  // the owner's room, or its user when the room is empty
    std::int64_t raised_ms = 0;
    bool own = false;
    ColourRef colour = UNKNOWN_BOARD_COLOUR;
};

struct BoardContent {
    std::vector<BoardRow> rows;  // at most MAX_BOARD_ROWS, oldest raise first
    std::size_t raised = 0;      // every raised flag, shown or not
};

// "(just now)" below a minute, "(M min)" below an hour, then "(H h MM min)".
std::u16string flag_age_text(std::int64_t seconds);

// Whole seconds from raised_ms to now_ms; 0 when the raise lies ahead.
std::int64_t flag_age_seconds(std::int64_t raised_ms, std::int64_t now_ms);

// The rows of every source's flags. A source is named by its room (its user when the
// room is empty); a peer whose room is also the room of another listed copy or of this
// one is named by its label, "user (room)". Rows go by raise time, then InstanceId,
// then label, byte for byte; each takes the colour of this copy's flag whose name
// equals the label without regard to ASCII case.
BoardContent build_board(const std::vector<BoardSource>& sources, const std::vector<FlagDefinition>& own_flags);

// source + "  —  " + label + "  " + age text.
std::u16string board_row_text(const BoardRow& row, std::int64_t now_ms);

// Index of the row (owner_id, label) names, or -1.
int find_board_row(const std::vector<BoardRow>& rows, const std::string& owner_id, const std::string& label);

// " — 1 flag raised" or " — N flags raised"; empty for none.
std::u16string flags_raised_suffix(std::size_t raised);

// "Quillnet — room" followed by the flag suffix, within capacity UTF-16 units: the room
// is cut first (never between the halves of a surrogate pair) so the suffix fits.
std::u16string tray_tooltip_text(const std::u16string& room, std::size_t raised, std::size_t capacity);

}  // namespace quillnet
