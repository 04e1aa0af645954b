// The conversation log on the read-only EDIT control of the main window. The text of
// the control is the log; positions are UTF-16 units with CR LF counted as two, which
// is how the EDIT control counts them for EM_SETSEL.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/dialog_window.h"
#include "ui/app_state.h"
#include "base/win_text.h"
#include "history/history.h"
#include "net/events.h"
#include "ui/conversation_log.h"
#include "ui/log_core.h"
#include "ui/rooms_list.h"

namespace quillnet {

namespace {

// The lines now in the view, for trimming it; set afresh when the log is started or
// emptied.
ViewLines view_lines;
// While the view is held, appended lines wait here and reach the view in one piece.
int hold_depth = 0;
std::wstring held_text;

int view_length(HWND view) { return GetWindowTextLengthW(view); }

// Replaces the range [start, end) of the view with text, not undoable.
void replace_range(HWND view, int start, int end, const std::wstring& text) {
    SendMessageW(view, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::size_t line_breaks_in(const std::wstring& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++count;
    return count;
}

// Makes room for the lines of text: when the view would hold more than the limit, the
// oldest lines go in one cut (a chunk of them, so that it happens once every many
// pages), and the pending positions move with the text.
void make_room(AppState& s, HWND view, const std::wstring& text) {
    const std::size_t limit = static_cast<std::size_t>(s.settings.log_view_lines);
    const std::int32_t cut = trim_for_append(view_lines, s.pending_deliveries, line_breaks_in(text), limit);
    if (cut > 0) replace_range(view, 0, cut, L"");
}

// Of a text of whole lines, at most its last limit lines.
std::wstring last_lines(const std::wstring& text, std::size_t limit) {
    std::size_t lines = line_breaks_in(text);
    std::size_t start = 0;
    for (; lines > limit; --lines) start = text.find(L"\r\n", start) + 2;
    return start == 0 ? text : text.substr(start);
}

// Appending through the selection keeps the caret, and so the new line, in view.
// Returns the position the text starts at.
int append_whole(AppState& s, HWND view, const std::wstring& whole) {
    const std::wstring text = last_lines(whole, static_cast<std::size_t>(s.settings.log_view_lines));
    make_room(s, view, text);
    const int end = view_length(view);
    replace_range(view, end, end, text);
    note_appended(view_lines, as_u16(text));
    return end;
}

void flush_held(AppState& s, HWND view) {
    if (held_text.empty()) return;
    std::wstring text;
    text.swap(held_text);
    append_whole(s, view, text);
}

// Returns the position the text starts at, or -1 while the view is held.
int append_to_view(AppState& s, HWND view, const std::wstring& text) {
    if (hold_depth > 0) {
        held_text += text;
        return -1;
    }
    return append_whole(s, view, text);
}

// The control's own word-break search analyses the whole text each time a wrapped
// line is laid out (under Wine), so every page cost more the longer the log was; this
// one looks only at the line being wrapped.
int CALLBACK log_word_break_proc(LPWSTR text, int index, int count, int action) {
    return log_word_break(reinterpret_cast<const char16_t*>(text), index, count, action);
}

HWND log_view_of(const AppState* s) { return s ? s->log_view : nullptr; }

// A copy that lives in the tray for days would show times without dates: the first
// line of a new local day is preceded by a dated separator, kept in the history too.
// The first line of the run (the start-up separator) only notes the day.
void mark_new_day(AppState& s, HWND view) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const int today = now.wYear * 10000 + now.wMonth * 100 + now.wDay;
    const int previous = s.log_day;
    s.log_day = today;
    if (previous == 0 || previous == today) return;
    const std::wstring separator =
        as_wide(startup_separator(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute));
    append_to_view(s, view, separator + L"\r\n");
    append_history_line(separator);
}

}  // namespace

LogViewHold::LogViewHold() { ++hold_depth; }

LogViewHold::~LogViewHold() {
    if (--hold_depth > 0) return;
    AppState* s = app();
    HWND view = log_view_of(s);
    if (!view) {
        held_text.clear();
        return;
    }
    try {
        flush_held(*s, view);
    } catch (...) {
        // What could not be shown is in the history file already.
        held_text.clear();
    }
}

void start_log(const std::wstring& history_text) {
    AppState* s = app();
    HWND view = log_view_of(s);
    if (!view) return;
    SendMessageW(view, EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(log_word_break_proc));
    // Only the newest lines that the view may hold are shown; the file keeps them all.
    std::u16string text = as_u16(history_text);
    reset_view_lines(view_lines, text);
    PendingDeliveries none;
    const std::int32_t cut =
        trim_for_append(view_lines, none, 0, static_cast<std::size_t>(s->settings.log_view_lines));
    if (cut > 0) text.erase(0, static_cast<std::size_t>(cut));
    SetWindowTextW(view, as_wide(text).c_str());
}

void append_line(const std::wstring& text, bool save) {
    AppState* s = app();
    HWND view = log_view_of(s);
    if (!view) return;
    mark_new_day(*s, view);
    append_to_view(*s, view, text + L"\r\n");
    if (save) append_history_line(text);
}

void on_engine_notice(const EngineNotice& notice) { append_line(to_wide(notice.text), false); }

void add_outgoing(const std::string& message_id, const std::wstring& line, int recipients) {
    AppState* s = app();
    HWND view = log_view_of(s);
    if (!view) return;
    mark_new_day(*s, view);
    // A pending line needs its place in the view at once.
    flush_held(*s, view);
    const std::wstring status = as_wide(provisional_status(recipients));
    const int line_start = append_whole(*s, view, line + status + L"\r\n");
    if (!record_outgoing(s->pending_deliveries, message_id, line_start, as_u16(line), recipients))
        append_history_line(line + status);
}

void apply_delivery_result(const std::string& message_id, std::int32_t acknowledged, std::int32_t attempted) {
    AppState* s = app();
    HWND view = log_view_of(s);
    if (!view) return;
    StatusReplacement change;
    if (!take_delivery_result(s->pending_deliveries, message_id, acknowledged, attempted, change)) return;
    append_history_line(as_wide(change.finished_line));
    // A line already cut out of the view is only saved.
    if (change.start < 0) return;
    replace_range(view, change.start, change.start + change.length, as_wide(change.final_status));
    note_replaced(view_lines, change.start,
                  static_cast<std::int32_t>(change.final_status.size()) - change.length);
    const int end = view_length(view);
    SendMessageW(view, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(view, EM_SCROLLCARET, 0, 0);
}

void save_pending_lines() {
    AppState* s = app();
    if (!s) return;
    // In the order they stand in the log, each with the status it shows now.
    std::vector<const PendingDelivery*> lines;
    for (const auto& entry : s->pending_deliveries) lines.push_back(&entry.second);
    std::sort(lines.begin(), lines.end(),
              [](const PendingDelivery* a, const PendingDelivery* b) { return a->status_start < b->status_start; });
    for (const PendingDelivery* line : lines)
        append_history_line(as_wide(line->line_text + provisional_status(1)));
    s->pending_deliveries.clear();
}

void clear_log() {
    AppState* s = app();
    if (!s) return;
    if (s->log_view) SetWindowTextW(s->log_view, L"");
    s->pending_deliveries.clear();
    reset_view_lines(view_lines, std::u16string());
    held_text.clear();
}

void clear_history_command() {
    AppState* s = app();
    if (!s) return;
    int answer = IDNO;
    {
        const ModalScope modal;
        answer = MessageBoxW(s->main_window, L"Clear the saved message history on this computer?", L"Clear History",
                             MB_YESNO | MB_ICONQUESTION);
    }
    if (answer != IDYES) return;
    // The state may have gone while the box was open (Exit from the tray menu).
    s = app();
    if (!s || !s->log_view) return;
    clear_log();
    if (!history_path().empty()) delete_history();
}

std::wstring format_time_of_day() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return as_wide(time_of_day_text(now.wHour, now.wMinute, now.wSecond));
}

std::vector<std::string> selected_recipients() {
    const AppState* s = app();
    if (!s) return {};
    if (SendMessageW(s->everyone_check, BM_GETCHECK, 0, 0) == BST_CHECKED) return {};
    return selected_room_keys();
}

std::wstring describe_target() { return as_wide(describe_target_text(selected_recipients().size())); }

}  // namespace quillnet
