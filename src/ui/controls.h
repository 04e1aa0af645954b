// Helpers of the main window's controls that tests and other code reuse.
#pragma once

#include <string>

namespace quillnet {

// "F%d  %s" of quick-message slot, cut to 159 UTF-16 units without splitting a
// surrogate pair.
std::wstring quick_button_text(int slot, const std::string& text);

}  // namespace quillnet
