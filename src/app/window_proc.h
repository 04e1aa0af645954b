// The window procedure of "QuillnetWindow" (Win32 layer).
#pragma once

#include <windows.h>

namespace quillnet {

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace quillnet
