// The two text conversions at the Win32 boundary: UTF-8 inside, UTF-16 in windows.
#pragma once

#include <string>

namespace quillnet {

// UTF-8 to UTF-16 with the platform converter; stops at the first NUL.
std::wstring to_wide(const std::string& utf8);
// UTF-16 to UTF-8 with the platform converter; stops at the first NUL.
std::string to_utf8(const std::wstring& wide);

// The UTF-16 core strings and Windows wide strings have the same 16-bit units.
inline std::wstring as_wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string as_u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace quillnet
