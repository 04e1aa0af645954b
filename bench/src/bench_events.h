// The engine's window messages as the benchmarks receive them: the native test queue,
// or a message-only window pumped on the calling thread under Windows. Windows must be
// opened and read on the same thread.
#pragma once

#include "net/event_queue.h"
#include "net/events.h"

namespace quillnet {

WindowHandle open_bench_window();
// Frees the payloads of events still waiting.
void close_bench_window(WindowHandle window);
// The next event posted to window, waiting at most timeout_ms (0: only what is there).
bool next_bench_event(WindowHandle window, PostedEvent& event, int timeout_ms);
void free_bench_event(const PostedEvent& event);
// Frees every event already waiting; returns how many there were.
int drain_bench_events(WindowHandle window);
// Waits for an event with this message, freeing any other events met on the way.
bool wait_bench_event(WindowHandle window, unsigned message, PostedEvent& event, int timeout_ms);

}  // namespace quillnet
