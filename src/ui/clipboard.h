// Plain text on the system clipboard (Win32 layer).
#pragma once

#include <windows.h>

#include <string>

namespace quillnet {

// Replaces the clipboard's contents with text; false when the clipboard is busy.
bool put_clipboard_text(HWND owner, const std::wstring& text);
// The clipboard's Unicode text, or empty when it holds none.
std::wstring clipboard_text(HWND owner);

}  // namespace quillnet
