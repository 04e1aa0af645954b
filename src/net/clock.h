// Milliseconds since system start (GetTickCount64 / CLOCK_MONOTONIC) and the process id,
// the two platform numbers the engine needs besides sockets.
#pragma once

#include <cstdint>

namespace quillnet {

std::int64_t milliseconds_since_start();
std::uint64_t current_process_id();

}  // namespace quillnet
