// The configuration dialog as the running program opens it (Win32 layer).
#pragma once

#include <windows.h>

namespace quillnet {

// Opens the dialog on the live settings; OK saves them and the program follows them.
void show_configuration(HWND owner);

}  // namespace quillnet
