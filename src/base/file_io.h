// Whole-file operations shared by the settings file, the history file and WAV loading.
// Paths are wide strings as the window layer holds them; every file is opened only
// for the duration of one call and shared with other readers and writers.
#pragma once

#include <string>

namespace quillnet {

// Reads the whole file. False when it cannot be opened or read.
bool read_file_bytes(const std::wstring& path, std::string& out);

// Replaces the file's contents with bytes: the text goes to a temporary file in the
// same folder first, is flushed, and only then takes the old file's place. False (and
// the old file untouched) when any step fails.
bool replace_file_contents(const std::wstring& path, const std::string& bytes);

// Appends bytes at the end of the file, creating it when missing.
bool append_file_bytes(const std::wstring& path, const std::string& bytes);

// Deletes the file; false when it could not be deleted (missing included).
bool delete_file(const std::wstring& path);

// Creates one directory level; false when it could not be created (existing included).
bool create_directory(const std::wstring& path);

// True when a file or directory of that name exists.
bool path_exists(const std::wstring& path);

}  // namespace quillnet
