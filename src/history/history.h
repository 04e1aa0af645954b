// The history file "history.log" under %LOCALAPPDATA%\Quillnet (Win32 layer).
#pragma once

#include <string>

namespace quillnet {

// Full path, creating the folder; empty when LOCALAPPDATA is not set.
std::wstring history_path();
void append_history_line(const std::wstring& line);
// The text for the empty log at start-up; trims the file to its last 1000 lines.
std::wstring load_history();
void delete_history();

}  // namespace quillnet
