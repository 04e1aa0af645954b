// The history file's line logic, free of any file access.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillnet {

constexpr std::size_t history_keep_lines = 1000;

// Splits the file's bytes at LF, dropping one CR at each line's end; a final piece
// after the last LF counts only when not empty; empty lines inside stay.
std::vector<std::string> split_history_lines(const std::string& bytes);

// Each line followed by CR LF.
std::string join_history_lines(const std::vector<std::string>& lines, std::size_t first = 0);

// The result of reading the file at start-up.
struct HistoryLoad {
    std::u16string text;        // what the log view shows (each line + CR LF); ends at a NUL byte
    bool rewrite = false;       // the file held more than history_keep_lines lines
    std::string rewritten;      // the kept lines for the file, when rewrite is set
};

// A local date and time, as the log's separators and times of day give it.
struct LocalMoment {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// The lines of at most keep_days days before now (keep_days 0 or less: all of them).
// A line's moment is read from the file itself: a start-up separator gives its date
// and time; a line that begins with a time of day is on the date of the separator
// above it, one day later each time the time of day goes back by more than an hour
// (a run past midnight); a line without a time of day shares the moment of the line
// before it. A moment read so is never later than the line really is, so no line
// stays longer than asked. Lines above the first separator have no date and leave.
std::vector<std::string> drop_old_history_lines(const std::vector<std::string>& lines, int keep_days,
                                                const LocalMoment& now);

// The file's bytes to what the log shows and, when lines leave (older than keep_days,
// or beyond the newest history_keep_lines), what the file is rewritten with.
HistoryLoad prepare_history(const std::string& file_bytes, int keep_days = 0, const LocalMoment& now = {});

}  // namespace quillnet
