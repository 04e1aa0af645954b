// Process CPU time and thread wake-ups natively.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_clock.h"

namespace quillnet {

double process_cpu_ms() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double user = usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0;
    const double system = usage.ru_stime.tv_sec * 1000.0 + usage.ru_stime.tv_usec / 1000.0;
    return user + system;
}

bool other_thread_wakeups(long& total, long& busiest) {
    total = busiest = 0;
    const long self = static_cast<long>(syscall(SYS_gettid));
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return false;
    while (dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.' || std::atol(entry->d_name) == self) continue;
        const std::string path = std::string("/proc/self/task/") + entry->d_name + "/status";
        FILE* status = std::fopen(path.c_str(), "r");
        if (!status) continue;
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            long count = 0;
            if (std::sscanf(line, "voluntary_ctxt_switches: %ld", &count) == 1) {
                total += count;
                busiest = std::max(busiest, count);
            }
        }
        std::fclose(status);
    }
    closedir(tasks);
    return true;
}

}  // namespace quillnet
