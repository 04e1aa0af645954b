// Sending from the main window: the typed text, the quick messages (buttons and
// F1..F10) and the flags, each to the selected rooms or to everyone.
#pragma once

#include <windows.h>

namespace quillnet {

void send_typed_message();
void send_quick_message(int slot);
void send_flag(int slot);

// Limits the compose field to the longest text that fits one frame for the current
// user and room (the field then simply takes no more characters).
void update_compose_limit();
// Subclasses the compose field so that Enter sends the typed text.
void install_compose_subclass(HWND input_edit);

}  // namespace quillnet
