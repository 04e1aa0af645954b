// Detached threads on POSIX systems: std::thread, let go at once.
#include "base/detached_thread.h"

#include <thread>
#include <utility>

namespace quillnet {

bool start_detached(std::function<void()> body) noexcept {
    try {
        std::thread([run = std::move(body)] {
            try {
                run();
            } catch (...) {
                // As on Windows: an escaped exception ends only this thread.
            }
        }).detach();
        return true;
    } catch (...) {
        return false;  // no thread (std::system_error) or no memory for its state
    }
}

}  // namespace quillnet
