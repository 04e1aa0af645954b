// Plain text on the system clipboard (Win32 layer).
#pragma once

#include <windows.h>

#include <string>

namespace quillnet {

// Replaces the clipboard's contents with text; false when the clipboard is busy.
bool put_clipboard_text(HWND owner, const std::wstring& text);
// The clipboard's Unicode text, or empty when it holds none.
std::wstring clipboard_text(HWND owner);

// Like put_clipboard_text, for a secret: the formats beside the text ask Windows to
// keep it out of clipboard history, cloud clipboard and clipboard monitors.
bool put_secret_clipboard_text(HWND owner, const std::wstring& text);
// Empties the clipboard only while it still holds exactly text (nothing the user
// copied since is lost); true when it was emptied.
bool empty_clipboard_holding(HWND owner, const std::wstring& text);

}  // namespace quillnet
