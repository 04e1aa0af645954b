#!/usr/bin/env python3
"""Prints the benchmark table from the "name value" lines that run_bench.sh collected.
Every figure stands beside its reference from the same run; the ratio (Quillnet divided
by the reference) is the figure that counts on a noisy machine."""
import sys

ROWS = [
    # label, unit, quillnet key, reference key, reference description
    ("Page latency p50", "µs", "latency_engine_p50_us", "latency_raw_p50_us", "raw connect/line/ack/close"),
    ("Page latency p99", "µs", "latency_engine_p99_us", "latency_raw_p99_us", "raw connect/line/ack/close"),
    ("Receiver throughput, 4 senders", "frames/s", "throughput_engine_4_per_s", "throughput_raw_4_per_s",
     "raw accept-read-reply loop"),
    ("Receiver throughput, 16 senders", "frames/s", "throughput_engine_16_per_s", "throughput_raw_16_per_s",
     "raw accept-read-reply loop"),
    ("Discovery: start to PEERS_CHANGED, p50", "µs", "discovery_engine_p50_us", "discovery_raw_p50_us",
     "fresh socket, one datagram"),
    ("Page latency p50, sealed", "µs", "sealed_latency_engine_p50_us", "latency_engine_p50_us",
     "open engine, same run"),
    ("Receiver throughput, 16 senders, sealed", "frames/s", "sealed_throughput_engine_16_per_s",
     "throughput_engine_16_per_s", "open engine, same run"),
    ("Discovery p50, sealed", "µs", "sealed_discovery_engine_p50_us", "discovery_engine_p50_us",
     "open engine, same run"),
    ("Page latency p50, paging loop (8 flags raised, urgent)", "µs", "loop_latency_engine_p50_us",
     "latency_engine_p50_us", "plain pages, no flags, same run"),
    ("Receiver throughput, 16 senders, paging loop frames", "frames/s", "loop_throughput_engine_16_per_s",
     "throughput_engine_16_per_s", "plain frames, no flags, same run"),
    ("Raise to a peer's board, p50", "µs", "board_engine_p50_us", "board_discovery_p50_us",
     "discovery of a fresh copy, same run"),
    ("Fan-out to 20 rooms, all up (median)", "ms", "fanout_all_engine_ms", "fanout_all_raw_ms",
     "20 raw exchanges in a row"),
    ("Fan-out to 20 rooms, 3 not answering", "ms", "fanout_silent_engine_ms", "fanout_silent_raw_ms",
     "same, 1500 ms reply limit"),
    ("Fan-out, 3 not answering: last live room has it", "ms", "fanout_silent_live_arrival_ms",
     "fanout_all_engine_ms", "fan-out result, all up"),
    ("Start-up to visible window, p50", "ms", "quillnet_startup_p50_ms", "minimal_startup_p50_ms",
     "minimal Win32 window program"),
    ("Idle CPU time over the idle period", "ms", "idle_engine_cpu_ms", "idle_reference_cpu_ms",
     "thread waking every 200 ms"),
    ("Idle wake-ups of the engine threads", "", "idle_engine_thread_wakeups", "idle_heartbeats",
     "heartbeats in the period"),
    ("Idle CPU time over the idle period", "ms", "quillnet_idle_cpu_ms", "minimal_idle_cpu_ms",
     "minimal Win32 window program"),
    ("Memory (RSS) after the log lines", "MB", "quillnet_rss_after_kb", "minimal_rss_kb",
     "minimal Win32 window program"),
    ("Memory (RSS) at start, same copy", "MB", "quillnet_rss_start_kb", "minimal_rss_kb",
     "minimal Win32 window program"),
    ("Executable size", "KB", "quillnet_exe_bytes", "minimal_exe_bytes", "minimal Win32 window program"),
]

# The growth rows: the window's cost per page after many pages, against the same figure
# of the same run at the first level (or, for memory, the middle one).
GROWTH = [
    # label, figure key, unit
    ("Page posted to its line on screen", "page_ms", "ms"),
    ("Send click to its line on screen", "send_ms", "ms"),
    ("Delivery result to its status on screen", "status_ms", "ms"),
    ("Log scrolled one page up", "scroll_ms", "ms"),
]


def growth_rows(values):
    levels = sorted({int(k.split("_")[2]) for k in values if k.startswith("wine_growth_") and k.endswith("_page_ms")})
    if len(levels) < 2:
        return
    first = levels[0]
    print()
    print("The window's cost per page as the log grows (Wine, medians; pages long enough to wrap):")
    print()
    print("| Figure | Pages taken in | Cost | Cost with %s pages in | Ratio | Goal |" % f"{first:,}")
    print("|---|---|---|---|---|---|")
    for label, key, unit in GROWTH:
        base = values.get(f"wine_growth_{first}_{key}")
        for level in levels[1:]:
            mine = values.get(f"wine_growth_{level}_{key}")
            if mine is None or not base:
                continue
            goal = "≤ 1.3" if level == levels[-1] else ""
            print(f"| {label} | {level:,} | {number(mine)} {unit} | {number(base)} {unit} | {mine / base:.2f} | {goal} |")
    if len(levels) >= 3:
        mid, last = levels[-2], levels[-1]
        a, b = values.get(f"wine_growth_{last}_rss_kb"), values.get(f"wine_growth_{mid}_rss_kb")
        if a and b:
            print(f"| Resident memory | {last:,} against {mid:,} | {a / 1024:.1f} MB | {b / 1024:.1f} MB | "
                  f"{a / b:.2f} | ≤ 1.2 |")
    lines = ", ".join(f"{values.get(f'wine_growth_{l}_view_lines', 0):.0f}" for l in levels)
    print()
    print(f"Lines in the view at each level: {lines}; run took {values.get('wine_growth_seconds', 0):.0f} s.")


def load(path):
    values = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2:
                try:
                    values[parts[0]] = float(parts[1])
                except ValueError:
                    pass
    return values


def scaled(key, value):
    if key.endswith("_kb"):
        return value / 1024.0
    if key.endswith("_bytes"):
        return value / 1024.0
    return value


def number(v):
    if v >= 100:
        return f"{v:,.0f}"
    if v >= 10:
        return f"{v:.1f}"
    return f"{v:.2f}"


def main():
    values = load(sys.argv[1])
    print("| Figure | Where | Quillnet | Reference | Ratio (Quillnet ÷ reference) | Reference is |")
    print("|---|---|---|---|---|---|")
    for label, unit, mine, ref, what in ROWS:
        for where, prefix in (("native", "native_"), ("Wine", "wine_")):
            a, b = values.get(prefix + mine), values.get(prefix + ref)
            if a is None or b is None:
                continue
            a, b = scaled(mine, a), scaled(ref, b)
            ratio = f"{a / b:.2f}" if b else "—"
            print(f"| {label} | {where} | {number(a)} {unit} | {number(b)} {unit} | {ratio} | {what} |"
                  .replace("  |", " |"))
    extra = []
    if "native_latency_pages" in values:
        extra.append(f"latency over {values['native_latency_pages']:.0f} pages each")
    if "native_idle_seconds" in values:
        extra.append(f"idle period {values['native_idle_seconds']:.0f} s")
    if "wine_log_lines" in values:
        added = values["wine_log_lines"] - values.get("wine_log_lines_before", 0)
        extra.append(f"{added:.0f} log lines added by {values.get('native_feed_acknowledged', 0):.0f} acknowledged pages")
    if "wine_flood_pages_sent" in values:
        print()
        print("Quillnet.exe under Wine during a flood of 100 000 made-up and broken datagrams: "
              f"{values.get('wine_flood_pages_acknowledged', 0):.0f} of {values['wine_flood_pages_sent']:.0f} pages "
              f"acknowledged, window answered within {values.get('wine_flood_ping_max_ms', 0):.0f} ms, "
              f"at most {values.get('wine_flood_rooms_peak', 0):.0f} rooms listed, memory "
              f"{values.get('wine_flood_rss_before_kb', 0) / 1024:.1f} MB before and "
              f"{values.get('wine_flood_rss_after_kb', 0) / 1024:.1f} MB after.")
    growth_rows(values)
    failures = sum(v for k, v in values.items() if "failures" in k)
    extra.append(f"failed exchanges: {failures:.0f}")
    extra.append("receiver reads buffered: it peeks up to 16 KB and takes only the bytes up to the first line feed")
    extra.append("the sender reads the acknowledgement the same way: one peek and one receive for a whole line")
    print()
    print("; ".join(extra))


if __name__ == "__main__":
    main()
