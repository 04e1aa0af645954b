// The site key of sealed mode: reading and writing its text form, its key id, and
// making a new one from the system's random generator.
#pragma once

#include <array>
#include <string>

namespace quillnet {

using SiteKey = std::array<unsigned char, 32>;

// Exactly 64 hexadecimal digits, either case; anything else is refused.
bool parse_site_key(const std::string& text, SiteKey& key);
// 64 lower-case hexadecimal digits.
std::string format_site_key(const SiteKey& key);
// The first 8 bytes of HMAC-SHA256(site key, "quillnet key id v1") as 16 lower-case
// hexadecimal digits.
std::string site_key_id(const SiteKey& key);
// 32 bytes from the platform's cryptographic random generator; false when it fails.
bool generate_site_key(SiteKey& key);

// The text of the error box shown when [security] site_key is set but not valid.
constexpr const wchar_t* INVALID_SITE_KEY_TEXT =
    L"The site key in Quillnet.ini is not valid (64 hexadecimal digits expected). "
    L"The network is off until it is corrected.";

}  // namespace quillnet
