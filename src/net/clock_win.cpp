// Tick counter and process id on Windows.
#include <windows.h>

#include "net/clock.h"

namespace quillnet {

std::int64_t milliseconds_since_start() { return static_cast<std::int64_t>(GetTickCount64()); }

std::uint64_t current_process_id() { return GetCurrentProcessId(); }

}  // namespace quillnet
