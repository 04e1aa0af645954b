// The history file "history.log" under %LOCALAPPDATA%\Quillnet (Win32 layer).
#pragma once

#include <string>

namespace quillnet {

// Full path, creating the folder; empty when LOCALAPPDATA is not set.
std::wstring history_path();
void append_history_line(const std::wstring& line);
// The text for the empty log at start-up; drops the lines older than keep_days days
// (0: no age limit) and trims the file to its last 1000 lines.
std::wstring load_history(int keep_days = 0);
void delete_history();

}  // namespace quillnet
