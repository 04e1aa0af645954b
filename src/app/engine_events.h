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
// Takes every engine event still queued for window off the queue, in the order they
// were posted, and hands each to its handler as the window procedure would: at the end
// of the session and at Exit, so that the pages already acknowledged are shown and
// saved before the process ends. Other application messages of that range stay queued.
void drain_queued_engine_events(HWND window);
// Frees the payloads of engine events still queued for this thread (after the message
// loop ended, when no window will take them).
void free_queued_engine_events();

}  // namespace quillnet
