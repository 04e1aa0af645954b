// Threads that nobody waits for: the delivery workers and the sound.
#pragma once

#include <functional>

namespace quillnet {

// Runs body on a new thread of its own that is never joined. False when no thread could
// be started; body is then not run. On Windows the thread is started with the C runtime
// directly, not through the POSIX thread layer of the MinGW runtime: that layer reuses
// the records of ended detached threads, and a thread started while another detached
// thread was ending could be created and never run its body.
bool start_detached(std::function<void()> body) noexcept;

}  // namespace quillnet
