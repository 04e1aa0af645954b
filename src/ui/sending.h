// Sending from the main window: the typed text, the quick messages (buttons and
// F1..F10) and the flags, each to the selected rooms or to everyone.
#pragma once

#include <windows.h>

namespace quillnet {

void send_typed_message();
void send_quick_message(int slot);
void send_flag(int slot);

// Subclasses the compose field so that Enter sends the typed text.
void install_compose_subclass(HWND input_edit);

}  // namespace quillnet
