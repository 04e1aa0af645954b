// Time and CPU readings for the benchmarks.
#pragma once

#include <cstdint>
#include <vector>

namespace quillnet {

// Microseconds on a steady clock.
std::int64_t now_us();
// CPU time (user + system) this process has used so far, in milliseconds.
double process_cpu_ms();
// Voluntary context switches (sleeps that ended) of every thread of this process but
// the calling one, in total and the most of any single such thread; false where the
// system does not tell (Windows).
bool other_thread_wakeups(long& total, long& busiest);

// The p-th percentile (0..100) of samples, nearest rank; 0 when there are none.
std::int64_t percentile(std::vector<std::int64_t> samples, double p);

}  // namespace quillnet
