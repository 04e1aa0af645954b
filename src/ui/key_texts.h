// What the site key window says about a key text, and how it reads a key from pasted
// text (no window needed).
#pragma once

#include <string>

namespace quillnet {

// True when the text is a site key (the workstation is sealed).
bool is_site_key(const std::string& text);
// The workstation with settings key text: "Open: …", "Sealed with key id …." or, for a
// text that is no key, that the network is off.
std::string key_status_text(const std::string& site_key);
// What OK will change from current to pending; empty when nothing.
std::string key_change_text(const std::string& current, const std::string& pending);
// A key pasted from elsewhere: white space around it is dropped, then it must be 64
// hexadecimal digits; key_text receives them in lower case.
bool key_from_pasted_text(const std::string& text, std::string& key_text);

}  // namespace quillnet
