// qn_bench: runs one benchmark named on the command line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "benchmarks.h"
#include "net/socket_shim.h"

using namespace quillnet;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: qn_bench latency PAGES | throughput SENDERS SECONDS | discovery REPEATS |\n"
                 "                fanout ROOMS SILENT REPEATS | idle SECONDS | idle-reference SECONDS |\n"
                 "                feed PORT PAGES | flood PORT DATAGRAMS\n");
    return 2;
}

}  // namespace

namespace quillnet {

void report(const std::string& name, double value) {
    std::printf("%s %.3f\n", name.c_str(), value);
    std::fflush(stdout);
}

}  // namespace quillnet

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string name = argv[1];
    auto arg = [&](int i) { return i < argc ? std::atoi(argv[i]) : 0; };
    // The raw references need the socket library; engines take their own reference.
    if (!socket_library_start()) return 1;
    int status = 2;
    if (name == "latency") status = bench_latency(arg(2));
    else if (name == "throughput" && argc >= 4) status = bench_throughput(arg(2), arg(3));
    else if (name == "discovery") status = bench_discovery(arg(2));
    else if (name == "board") status = bench_board(arg(2));
    else if (name == "fanout" && argc >= 5) status = bench_fanout(arg(2), arg(3), arg(4));
    else if (name == "idle") status = bench_idle(arg(2), true);
    else if (name == "idle-reference") status = bench_idle(arg(2), false);
    else if (name == "feed" && argc >= 4) status = bench_feed(static_cast<std::uint16_t>(arg(2)), arg(3));
    else if (name == "flood" && argc >= 4) status = bench_flood(static_cast<std::uint16_t>(arg(2)), arg(3));
    else status = usage();
    socket_library_stop();
    return status;
}
