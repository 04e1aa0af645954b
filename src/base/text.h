// UTF-8 <-> UTF-16 conversion for the portable core. Text is UTF-8 everywhere
// inside the program; UTF-16 only where the window works with it.
#pragma once

#include <string>

namespace quillnet {

// Converts UTF-8 to UTF-16, stopping at the first NUL byte. Malformed
// sequences become U+FFFD, as the platform converter does.
std::u16string utf8_to_utf16(const std::string& utf8);

// Converts UTF-16 to UTF-8, stopping at the first NUL unit. Unpaired
// surrogates become U+FFFD.
std::string utf16_to_utf8(const std::u16string& utf16);

// Appends one code point as UTF-8.
void append_utf8(std::string& out, char32_t code_point);

// Narrow digits of a signed 64-bit number as UTF-16.
std::u16string u16_number(long long value);

// An ASCII literal as UTF-16 (for building window texts in the core).
std::u16string u16(const char* ascii_or_utf8);

}  // namespace quillnet
