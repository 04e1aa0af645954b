// The conversation log on the main window's read-only EDIT control: appending lines,
// outgoing lines with a provisional status rewritten in place when the delivery
// result arrives, Clear History, and the recipient choice of the next message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/events.h"

namespace quillnet {

// While one exists, lines appended to the log are saved to history at once but reach
// the view together when the last hold ends: many pages taken in at once (at the end of
// the session) then cost one change of the view instead of one each.
struct LogViewHold {
    LogViewHold();
    ~LogViewHold();
    LogViewHold(const LogViewHold&) = delete;
    LogViewHold& operator=(const LogViewHold&) = delete;
};

// Fills the empty view at start-up with the history's text (each line ended by CR LF),
// only its newest lines when it holds more than the view may show.
void start_log(const std::wstring& history_text);
// Appends text + CR LF to the view; with save, also to the history file. Whenever the
// view would hold more than log_view_lines lines, its oldest lines leave it.
void append_line(const std::wstring& text, bool save);
// Shows the engine's notice as a log line that is not saved.
void on_engine_notice(const EngineNotice& notice);
// Appends an outgoing line with "   …" (or "   (no rooms online)" when recipients is
// 0, saved to history at once) and remembers where its status sits.
void add_outgoing(const std::string& message_id, const std::wstring& line, int recipients);
// Rewrites the pending line of message_id to its final status and saves it to history.
void apply_delivery_result(const std::string& message_id, std::int32_t acknowledged, std::int32_t attempted);
// Saves the lines still awaiting their delivery result to history with the status
// they show ("   …") and forgets them; at Exit and at the end of the session.
void save_pending_lines();
// Empties the view and forgets every pending line.
void clear_log();
// Asks "Clear the saved message history on this computer?"; on Yes empties the log
// and deletes the history file.
void clear_history_command();

// "HH:MM:SS" of the local wall clock.
std::wstring format_time_of_day();
// Instance ids of the selected rooms; empty means everyone.
std::vector<std::string> selected_recipients();
// "everyone", "1 room" or "N rooms" for the current selection.
std::wstring describe_target();

}  // namespace quillnet
