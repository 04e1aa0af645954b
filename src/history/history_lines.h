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

HistoryLoad prepare_history(const std::string& file_bytes);

}  // namespace quillnet
