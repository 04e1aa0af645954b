// Reads the configuration file "Quillnet.ini" into a completed settings record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"

namespace quillnet {

// Reads the file at path (missing or unreadable: defaults); always completed.
Settings load_settings(const std::wstring& path);

// The file read for start-up: a file that is there but cannot be read (locked, access
// denied) gives the defaults too, but says so, with the system's reason, because
// the defaults would run an administrator's sealed workstation open.
struct SettingsFile {
    Settings settings;
    bool unreadable = false;
    std::wstring reason;
};
SettingsFile read_settings_file(const std::wstring& path);

// The error box text for a file that could not be read.
std::wstring unreadable_settings_text(const std::wstring& reason);

// The pure reader: the file's bytes to a completed record whose ini_path is path.
Settings parse_settings_text(const std::string& bytes, const std::wstring& path);
// The file's bytes as UTF-8 text: a UTF-8 byte-order mark is dropped, a UTF-16 LE
// file (with its mark) is converted; anything else is returned as it is.
std::string settings_bytes_as_utf8(const std::string& bytes);

// Building blocks of the grammar, exposed for tests.
std::string trim(const std::string& s);
std::string ascii_lower(const std::string& s);
std::vector<std::string> split_list(const std::string& s);
bool parse_switch(const std::string& s);
// A decimal number as strtol takes it: optional sign, leading digits, rest ignored.
// False when the value does not start with a digit (or sign and digit) or does not
// fit a signed 32-bit integer.
bool parse_number(const std::string& s, std::int32_t& out);
ColourRef parse_colour(const std::string& text, ColourRef fallback);

}  // namespace quillnet
