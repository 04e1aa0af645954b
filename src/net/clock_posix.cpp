// Monotonic clock and process id natively.
#include <time.h>
#include <unistd.h>

#include "net/clock.h"

namespace quillnet {

std::int64_t milliseconds_since_start() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::uint64_t current_process_id() { return static_cast<std::uint64_t>(getpid()); }

}  // namespace quillnet
