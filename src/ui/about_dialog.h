// The modal "About Quillnet" window.
#pragma once

#include <windows.h>

namespace quillnet {

// Shows the box centred on owner and returns when it has been closed.
void show_about_dialog(HWND owner);

}  // namespace quillnet
