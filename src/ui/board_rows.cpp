// The raised-flags board as data: sources, ordering, age texts and colours.
#include "ui/board_rows.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "base/text.h"

namespace quillnet {

namespace {

char ascii_lower_char(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_ascii_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower_char(a[i]) != ascii_lower_char(b[i])) return false;
    return true;
}

ColourRef colour_for(const std::string& label, const std::vector<FlagDefinition>& own_flags) {
    for (const FlagDefinition& flag : own_flags)
        if (equal_ignoring_ascii_case(flag.name, label)) return flag.colour;
    return UNKNOWN_BOARD_COLOUR;
}

std::string source_name(const BoardSource& source, const std::map<std::string, int>& room_users) {
    if (source.room.empty()) return source.user;
    if (!source.own) {
        const auto found = room_users.find(source.room);
        if (found != room_users.end() && found->second > 1) return source.user + " (" + source.room + ")";
    }
    return source.room;
}

bool earlier(const BoardRow& a, const BoardRow& b) {
    if (a.raised_ms != b.raised_ms) return a.raised_ms < b.raised_ms;
    if (a.owner_id != b.owner_id) return a.owner_id < b.owner_id;
    return a.label < b.label;
}

}  // namespace

std::u16string flag_age_text(std::int64_t seconds) {
    if (seconds < 60) return u"(just now)";
    if (seconds < 3600) return u"(" + u16_number(seconds / 60) + u" min)";
    char minutes[8];
    std::snprintf(minutes, sizeof minutes, "%02d", static_cast<int>((seconds / 60) % 60));
    return u"(" + u16_number(seconds / 3600) + u" h " + u16(minutes) + u" min)";
}

std::int64_t flag_age_seconds(std::int64_t raised_ms, std::int64_t now_ms) {
    return now_ms > raised_ms ? (now_ms - raised_ms) / 1000 : 0;
}

BoardContent build_board(const std::vector<BoardSource>& sources, const std::vector<FlagDefinition>& own_flags) {
    // How many copies (this one included) stand in each room.
    std::map<std::string, int> room_users;
    for (const BoardSource& source : sources)
        if (!source.room.empty()) ++room_users[source.room];

    BoardContent content;
    for (const BoardSource& source : sources) {
        const std::string name = source_name(source, room_users);
        for (const BoardSource::Flag& flag : source.flags) {
            BoardRow row;
            row.owner_id = source.id;
            row.label = flag.label;
            row.source = name;
            row.owner_room = source.room.empty() ? source.user : source.room;
            row.raised_ms = flag.raised_ms;
            row.own = source.own;
            row.colour = colour_for(flag.label, own_flags);
            content.rows.push_back(std::move(row));
        }
    }
    content.raised = content.rows.size();
    std::sort(content.rows.begin(), content.rows.end(), earlier);
    if (content.rows.size() > MAX_BOARD_ROWS) content.rows.resize(MAX_BOARD_ROWS);
    return content;
}

std::u16string board_row_text(const BoardRow& row, std::int64_t now_ms) {
    return utf8_to_utf16(row.source) + u"  \u2014  " + utf8_to_utf16(row.label) + u"  " +
           flag_age_text(flag_age_seconds(row.raised_ms, now_ms));
}

int find_board_row(const std::vector<BoardRow>& rows, const std::string& owner_id, const std::string& label) {
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].owner_id == owner_id && rows[i].label == label) return static_cast<int>(i);
    return -1;
}

std::u16string flags_raised_suffix(std::size_t raised) {
    if (raised == 0) return std::u16string();
    if (raised == 1) return u" \u2014 1 flag raised";
    return u" \u2014 " + u16_number(static_cast<long long>(raised)) + u" flags raised";
}

std::u16string tray_tooltip_text(const std::u16string& room, std::size_t raised, std::size_t capacity) {
    const std::u16string head = u"Quillnet \u2014 ";
    const std::u16string suffix = flags_raised_suffix(raised);
    std::u16string cut_room = room;
    const std::size_t fixed = head.size() + suffix.size();
    if (fixed >= capacity) return (head + suffix).substr(0, capacity);
    if (cut_room.size() > capacity - fixed) {
        cut_room.resize(capacity - fixed);
        if (!cut_room.empty() && cut_room.back() >= 0xD800 && cut_room.back() <= 0xDBFF) cut_room.pop_back();
    }
    return head + cut_room + suffix;
}

}  // namespace quillnet
