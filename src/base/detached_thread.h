// Threads that nobody waits for: the delivery workers and the sound.
#pragma once

#include <functional>

namespace quillnet {

// Runs body on a new thread of its own that is never joined. False when no thread could
// be started; body is then not run. On Windows the thread is started with the C runtime
// directly, not through the POSIX thread layer of the MinGW runtime: that layer hands the
// record of a detached thread back for reuse before the thread has finished ending, and a
// thread started at that moment could be created and never run its body.
bool start_detached(std::function<void()> body) noexcept;

}  // namespace quillnet
