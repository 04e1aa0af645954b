// Whole-file operations shared by the settings file, the history file and WAV loading.
// Paths are wide strings as the window layer holds them; every file is opened only
// for the duration of one call and shared with other readers and writers.
#pragma once

#include <cstddef>
#include <string>

namespace quillnet {

// Reads the whole file. False when it cannot be opened or read.
bool read_file_bytes(const std::wstring& path, std::string& out);

// How a read went: a file that is not there is told apart from one that is there but
// could not be read (locked, access denied), whose reason is the system's own words.
enum class FileRead { read, missing, failed };
FileRead read_file_bytes_checked(const std::wstring& path, std::string& out, std::wstring& reason);

// Replaces the file's contents with bytes: the text goes to a new temporary file in
// the same folder first, is flushed, and only then takes the old file's place, which
// keeps the old file's access list and attributes. False (and the old file untouched)
// when any step fails. When no temporary file can be created (a folder the user may
// not write to), the file is rewritten in place instead.
bool replace_file_contents(const std::wstring& path, const std::string& bytes);

// A name for that temporary file beside path, random and different at each call, so
// nobody can prepare a file or link under it beforehand; empty when the system gives
// no random numbers. It is REPLACEMENT_NAME_EXTRA_UNITS longer than path.
std::wstring replacement_temp_path(const std::wstring& path);
constexpr std::size_t REPLACEMENT_NAME_EXTRA_UNITS = 22;

// Appends bytes at the end of the file, creating it when missing.
bool append_file_bytes(const std::wstring& path, const std::string& bytes);

// Deletes the file; false when it could not be deleted (missing included).
bool delete_file(const std::wstring& path);

// Creates one directory level; false when it could not be created (existing included).
bool create_directory(const std::wstring& path);

// Removes an empty directory; false when it could not be removed.
bool remove_directory(const std::wstring& path);

// True when a file or directory of that name exists.
bool path_exists(const std::wstring& path);

}  // namespace quillnet
