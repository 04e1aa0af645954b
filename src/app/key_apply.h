// Saving a new site key and switching the running program over to it.
#pragma once

#include <string>

namespace quillnet {

// Writes key_text (empty: open mode) into Quillnet.ini over what the file holds now
// and, only when that worked, gives it to the running program: the settings take it,
// the engine restarts in the new mode and the window's sealed mark follows.
bool save_site_key(const std::string& key_text);

}  // namespace quillnet
