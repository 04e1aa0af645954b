// Bookkeeping of the conversation log that does not need a window: status texts,
// the table of lines awaiting their delivery result and their positions in the text.
// Positions and lengths are UTF-16 code units, a CR LF counting as two.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/delivery_status.h"

namespace quillnet {

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
