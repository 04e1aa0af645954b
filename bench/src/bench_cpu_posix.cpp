// Process CPU time natively.
#include <sys/resource.h>

#include "bench_clock.h"

namespace quillnet {

double process_cpu_ms() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double user = usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0;
    const double system = usage.ru_stime.tv_sec * 1000.0 + usage.ru_stime.tv_usec / 1000.0;
    return user + system;
}

}  // namespace quillnet
