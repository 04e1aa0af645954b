// Native stand-in for the window message queue: engine threads post into a per-window
// queue that tests read. Only windows that a test has opened accept events, so posting
// to an unknown (or closed) window fails just as PostMessageW does for a destroyed one.
#pragma once

#include <vector>

#include "net/events.h"

namespace quillnet {

struct PostedEvent {
    unsigned message = 0;
    void* payload = nullptr;
};

// Opens a queue for window (any unique non-null value).
void open_event_window(WindowHandle window);
// Closes the queue and frees every payload still in it.
void close_event_window(WindowHandle window);
// Takes the oldest event of window, waiting at most timeout_ms; false when none came.
bool wait_for_event(WindowHandle window, PostedEvent& event, int timeout_ms);
// While refusing, every post to window fails as a full queue would.
void refuse_events(WindowHandle window, bool refuse);
// Frees a payload by the type its message carries.
void free_event_payload(const PostedEvent& event);

}  // namespace quillnet
