// Status texts, line templates and the table of pending deliveries of the
// conversation log. Everything here is plain text arithmetic in UTF-16 code units;
// the window code applies the results to the log view.
#include "ui/log_core.h"

#include <cstdio>
#include <limits>

#include "base/text.h"
#include "net/line_kinds.h"

namespace quillnet {

namespace {

const std::u16string PROVISIONAL = u"   \u2026";
const std::u16string NO_ROOMS = u"   (no rooms online)";

// Positions are 32-bit in the log's bookkeeping; a view longer than that cannot
// exist in an edit control, but the arithmetic must not overflow on the way.
std::int32_t clamp_position(long long value) {
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// snprintf output is ASCII digits, dashes, colons and spaces only.
std::u16string ascii_text(const char* buffer, int n) {
    if (n <= 0) return std::u16string();
    return u16(buffer);
}

}  // namespace

std::u16string provisional_status(int recipients) { return recipients > 0 ? PROVISIONAL : NO_ROOMS; }

bool record_outgoing(PendingDeliveries& pending, const std::string& message_id, std::int32_t line_start,
                     const std::u16string& line, int recipients) {
    if (recipients <= 0) return false;
    PendingDelivery entry;
    entry.status_start = clamp_position(static_cast<long long>(line_start) + static_cast<long long>(line.size()));
    entry.status_length = static_cast<std::int32_t>(PROVISIONAL.size());
    entry.line_text = line;
    pending[message_id] = std::move(entry);
    return true;
}

bool take_delivery_result(PendingDeliveries& pending, const std::string& message_id, std::int32_t acknowledged,
                          std::int32_t attempted, StatusReplacement& out) {
    const auto found = pending.find(message_id);
    if (found == pending.end()) return false;
    const PendingDelivery& entry = found->second;

    out.start = entry.status_start;
    out.length = entry.status_length;
    out.final_status = final_status(acknowledged, attempted);
    out.finished_line = entry.line_text + out.final_status;

    // A line cut out of the view only goes to history; nothing in the view moves.
    if (!in_view(entry)) {
        out.start = -1;
        pending.erase(found);
        return true;
    }
    // Only lines after this one move; earlier lines keep their positions.
    const long long shift = static_cast<long long>(out.final_status.size()) - entry.status_length;
    for (auto& other : pending) {
        if (other.first == message_id) continue;
        if (other.second.status_start > entry.status_start)
            other.second.status_start = clamp_position(other.second.status_start + shift);
    }
    pending.erase(found);
    return true;
}

void reset_view_lines(ViewLines& lines, const std::u16string& text) {
    lines.lengths.clear();
    lines.total = 0;
    note_appended(lines, text);
}

void note_appended(ViewLines& lines, const std::u16string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(u"\r\n", start);
        const std::size_t next = end == std::u16string::npos ? text.size() : end + 2;
        lines.lengths.push_back(clamp_position(static_cast<long long>(next - start)));
        lines.total += static_cast<long long>(next - start);
        start = next;
    }
}

void note_replaced(ViewLines& lines, std::int32_t position, std::int32_t delta) {
    if (position < 0 || lines.lengths.empty()) return;
    // Pending lines are mostly among the newest, so the search runs from the end.
    long long line_start = lines.total;
    for (auto it = lines.lengths.rbegin(); it != lines.lengths.rend(); ++it) {
        line_start -= *it;
        if (position >= line_start) {
            *it = clamp_position(static_cast<long long>(*it) + delta);
            lines.total += delta;
            return;
        }
    }
}

std::size_t trim_chunk(std::size_t limit) { return limit / 20 > 0 ? limit / 20 : 1; }

std::int32_t trim_for_append(ViewLines& lines, PendingDeliveries& pending, std::size_t incoming,
                             std::size_t limit) {
    if (lines.lengths.size() + incoming <= limit) return 0;
    std::size_t cut_lines = trim_chunk(limit);
    const std::size_t needed = lines.lengths.size() + incoming - limit;
    if (cut_lines < needed) cut_lines = needed;
    if (cut_lines > lines.lengths.size()) cut_lines = lines.lengths.size();
    long long cut = 0;
    for (std::size_t i = 0; i < cut_lines; ++i) {
        cut += lines.lengths.front();
        lines.lengths.pop_front();
    }
    lines.total -= cut;
    for (auto& entry : pending)
        entry.second.status_start = clamp_position(static_cast<long long>(entry.second.status_start) - cut);
    return clamp_position(cut);
}

namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

// A word starts at i when the unit before it is blank and it is not.
bool word_starts_at(const char16_t* text, int i) { return i > 0 && is_blank(text[i - 1]) && !is_blank(text[i]); }

}  // namespace

int log_word_break(const char16_t* text, int index, int count, int action) {
    if (!text || count <= 0) return 0;
    if (index < 0) index = 0;
    if (index > count) index = count;
    switch (action) {
    case 0:  // WB_LEFT: the start of the word before index
        if (index > 0) --index;
        while (index > 0 && !word_starts_at(text, index)) --index;
        return index;
    case 1:  // WB_RIGHT: the start of the next word, or the end
        while (index < count && !word_starts_at(text, index)) ++index;
        return index;
    case 2:  // WB_ISDELIMITER
        return index < count && is_blank(text[index]) ? 1 : 0;
    default: return 0;
    }
}

std::u16string describe_target_text(std::size_t recipient_count) {
    if (recipient_count == 0) return u"everyone";
    return u16_number(static_cast<long long>(recipient_count)) + (recipient_count == 1 ? u" room" : u" rooms");
}

std::u16string outgoing_typed_line(const std::u16string& time, const std::u16string& target,
                                   const std::u16string& text) {
    return time + u"  You \u2192 " + target + u":  " + text;
}

std::u16string outgoing_quick_line(const std::u16string& time, const std::u16string& target,
                                   const std::u16string& text) {
    return time + u"  You \u2192 " + target + u":  \u00BB " + text;
}

std::u16string outgoing_flag_line(const std::u16string& time, const std::u16string& label,
                                  const std::u16string& target) {
    return time + u"  You raised a \u2691 " + label + u" flag to " + target;
}

std::u16string sender_label(const std::u16string& user, const std::u16string& room) {
    if (room.empty()) return user;
    return user + u" (" + room + u")";
}

std::u16string incoming_line(const std::u16string& time, const std::string& kind, const std::u16string& label,
                             const std::u16string& text) {
    // The kind words are compared byte for byte: "flag" or "Quick" are typed messages.
    if (kind == KIND_FLAG) return time + u"  \u2691 " + text + u" FLAG from " + label;
    if (kind == KIND_QUICK) return time + u"  " + label + u":  \u00BB " + text;
    return time + u"  " + label + u":  " + text;
}

std::u16string startup_separator(int year, int month, int day, int hour, int minute) {
    const std::u16string rule = u"\u2500\u2500\u2500\u2500\u2500\u2500";
    char buffer[96];
    const int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    return rule + u"  " + ascii_text(buffer, n) + u"  " + rule;
}

std::u16string refused_send_line(const std::vector<std::u16string>& departed_rooms) {
    std::u16string names;
    for (std::size_t i = 0; i < departed_rooms.size(); ++i) names += (i > 0 ? u", " : u"") + departed_rooms[i];
    return u"   \u2717 not sent: " + names + u" left; select a room or tick Send to everyone";
}

std::u16string start_notice(const std::u16string& user, const std::u16string& room) {
    return u"Started as \"" + user + u"\" in room \"" + room + u"\".  Waiting for other rooms\u2026";
}

std::u16string time_of_day_text(int hour, int minute, int second) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hour, minute, second);
    return ascii_text(buffer, n);
}

}  // namespace quillnet
