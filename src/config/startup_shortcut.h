// The start-at-login shortcut "Quillnet.lnk" in the user's Startup folder (Win32 layer).
#pragma once

#include <string>

namespace quillnet {

std::wstring startup_shortcut_path();
bool startup_shortcut_exists();
bool set_start_at_login(bool enable);

}  // namespace quillnet
