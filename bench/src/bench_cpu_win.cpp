// Process CPU time on Windows (std::clock there measures wall time, not CPU).
#include <windows.h>

#include "bench_clock.h"

namespace quillnet {

namespace {

double filetime_ms(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;  // 100 ns units
}

}  // namespace

bool other_thread_wakeups(long& total, long& busiest) {
    total = busiest = 0;
    return false;
}

double process_cpu_ms() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return filetime_ms(kernel) + filetime_ms(user);
}

}  // namespace quillnet
