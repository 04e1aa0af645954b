// Bookkeeping of the conversation log that does not need a window: status texts,
// the table of lines awaiting their delivery result and their positions in the text.
// Positions and lengths are UTF-16 code units, a CR LF counting as two.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "base/delivery_status.h"

namespace quillnet {

// status_start is a position in the view while it is 0 or more. A line trimmed out of
// the view keeps its entry (its result still goes to history) with a negative
// position, which only keeps the pending lines in the order they were written.
struct PendingDelivery {
    std::int32_t status_start = 0;
    std::int32_t status_length = 0;
    std::u16string line_text;
};

using PendingDeliveries = std::map<std::string, PendingDelivery>;

// "   …" while recipients > 0, else "   (no rooms online)".
std::u16string provisional_status(int recipients);

// Records the line appended at text position line_start (line + status + CR LF).
// Returns true when the line awaits a result (recipients > 0).
bool record_outgoing(PendingDeliveries& pending, const std::string& message_id, std::int32_t line_start,
                     const std::u16string& line, int recipients);

// What apply_delivery_result must do to the view: replace [start, start + length)
// with the final status, and save line_text + final status to history.
struct StatusReplacement {
    std::int32_t start = 0;
    std::int32_t length = 0;
    std::u16string final_status;
    std::u16string finished_line;
};

// Takes the pending entry of message_id out of the table, shifting every later
// pending position by the change in length. False when the id is not pending.
bool take_delivery_result(PendingDeliveries& pending, const std::string& message_id, std::int32_t acknowledged,
                          std::int32_t attempted, StatusReplacement& out);

// True while the pending line still stands in the view.
inline bool in_view(const PendingDelivery& entry) { return entry.status_start >= 0; }

// The lines of the log view, oldest first: the length of each in UTF-16 code units,
// its CR LF included. The view is bounded by trimming the oldest lines in chunks.
struct ViewLines {
    std::deque<std::int32_t> lengths;
    std::int64_t total = 0;  // the sum of lengths: the view's text length
};

// Forgets every line and takes the lines of text (each ended by CR LF; a last piece
// without one counts as a line).
void reset_view_lines(ViewLines& lines, const std::u16string& text);
// Records text appended at the end of the view (one or more lines, each ended by CR LF).
void note_appended(ViewLines& lines, const std::u16string& text);
// Records that the line holding position changed length by delta.
void note_replaced(ViewLines& lines, std::int32_t position, std::int32_t delta);
// How many of the oldest lines leave the view at once when it is full: a twentieth of
// the limit, at least one, so that the cost of cutting is spread over many pages.
std::size_t trim_chunk(std::size_t limit);
// Before incoming more lines are appended: when they would take the view over limit,
// takes the oldest lines (a chunk, or more if needed) off the record, moves every
// pending position back by their length (lines cut away get negative positions) and
// returns that length, the count of code units to cut from the start of the view.
// Returns 0 when nothing has to go.
std::int32_t trim_for_append(ViewLines& lines, PendingDeliveries& pending, std::size_t incoming,
                             std::size_t limit);

// The word breaks of the log view's wrapping, looked for only within the line at hand
// (the control's own search analyses its whole text for every wrapped line it lays
// out). action is WB_LEFT (0), WB_RIGHT (1) or WB_ISDELIMITER (2); text holds count units.
// A word starts after a space or tab; a line wraps before a word.
int log_word_break(const char16_t* text, int index, int count, int action);

// "everyone", "1 room" or "N rooms".
std::u16string describe_target_text(std::size_t recipient_count);

// Line templates (time is "HH:MM:SS").
std::u16string outgoing_typed_line(const std::u16string& time, const std::u16string& target,
                                   const std::u16string& text);
std::u16string outgoing_quick_line(const std::u16string& time, const std::u16string& target,
                                   const std::u16string& text);
std::u16string outgoing_flag_line(const std::u16string& time, const std::u16string& label,
                                  const std::u16string& target);
std::u16string sender_label(const std::u16string& user, const std::u16string& room);
std::u16string incoming_line(const std::u16string& time, const std::string& kind, const std::u16string& label,
                             const std::u16string& text);
std::u16string startup_separator(int year, int month, int day, int hour, int minute);
// Why a send was refused after every selected room left: "   ✗ not sent: Op 1 left;
// select a room or tick Send to everyone".
std::u16string refused_send_line(const std::vector<std::u16string>& departed_rooms);
std::u16string start_notice(const std::u16string& user, const std::u16string& room);
std::u16string time_of_day_text(int hour, int minute, int second);

}  // namespace quillnet
