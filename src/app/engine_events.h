// The one place that takes the engine's posted window messages off the queue (Win32
// layer). Each payload is owned from that moment, handed by reference to the feature
// it is for, and freed here, whatever that feature does.
#pragma once

#include <windows.h>

namespace quillnet {

// True for every window message the engine posts.
bool is_engine_event(UINT message);
// Handles one engine event taken off the queue and frees its payload.
LRESULT on_engine_event(HWND window, UINT message, LPARAM payload);
// Frees the payloads of engine events still queued for this thread (after the message
// loop ended, when no window will take them).
void free_queued_engine_events();

}  // namespace quillnet
