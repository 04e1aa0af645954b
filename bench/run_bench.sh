#!/usr/bin/env bash
# make bench: builds the release benchmark programs and Quillnet.exe, measures every
# figure natively and under Wine inside the caller's private network namespace, each
# beside its reference in the same run, and prints the table (bench/format_table.py).
# The raw figures are kept in $QN_BUILD_ROOT/bench-results.txt.
# BENCH_QUICK=1 shortens every run, for trying the script (not for the figures).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
cd "$top"
if [ "${QN_IN_NETNS:-}" != "1" ]; then
  echo "run_bench.sh must run inside scripts/netns.sh (private network namespace)" >&2
  exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$0" "$@"
fi

build() {
  echo "--- building $1"
  if ! scripts/build.sh "$1" >"$root/bench-build-$1.log" 2>&1; then
    tail -30 "$root/bench-build-$1.log"; exit 1
  fi
}
build bench
build bench-win

if [ "${BENCH_QUICK:-0}" = "1" ]; then
  pages=200 rounds=1 repeats=5 fan=1 idle=10 lines=300 starts=3 growth_levels=0,500,1000 growth_samples=5
else
  pages=1000 rounds=5 repeats=30 fan=3 idle=60 lines=10000 starts=10 growth_levels=${BENCH_GROWTH_LEVELS:-0,5000,10000} growth_samples=30
fi
native=$root/bench/qn_bench
winbin=$root/bench-win
results=$root/bench-results.txt
: >"$results"
status=0

winpath() { echo "Z:$(echo "$1" | tr '/' '\\')"; }
# run PREFIX PORT_BASE command...: records "PREFIXname value" lines.
run() {
  local prefix=$1 ports=$2; shift 2
  echo "--- $prefix$*" | sed "s|$root/||g"
  QN_BENCH_PORTS=$ports "$@" | tr -d '\r' | sed "s/^/$prefix/" | tee -a "$results"
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "FAILED: $*"; status=1; }
}
note() { echo "$1 $2" | tee -a "$results"; }

echo "=== native (release build)"
run native_ 46000 "$native" latency "$pages"
run native_ 46100 "$native" throughput 4 "$rounds"
run native_ 46200 "$native" throughput 16 "$rounds"
run native_ 46300 "$native" discovery "$repeats"
run native_ 46400 "$native" fanout 20 3 "$fan"
# The same under a site key (rows "sealed", set beside the open engine's figures).
site_key=6d1f3a5c7e9b0d2f4a6c8e0b1d3f5a7c9e1b3d5f7a9c0e2b4d6f8a1c3e5b7d9f
QN_BENCH_SITE_KEY=$site_key run native_sealed_ 47000 "$native" latency "$pages"
QN_BENCH_SITE_KEY=$site_key run native_sealed_ 47100 "$native" throughput 16 "$rounds"
QN_BENCH_SITE_KEY=$site_key run native_sealed_ 47300 "$native" discovery "$repeats"
# The paging loop at its heaviest (8 long flags raised on every engine, urgent pages, frames
# with reply port and urgent mark), set beside the plain rows above; and a raise reaching a
# peer's board beside discovery.
QN_BENCH_LOOP=1 run native_loop_ 48300 "$native" latency "$pages"
QN_BENCH_LOOP=1 run native_loop_ 48400 "$native" throughput 16 "$rounds"
run native_ 48500 "$native" board "$repeats"

echo "=== Wine"
export WINEDEBUG=-all
main_prefix=$root/wine-bench
ref_prefix=$root/wine-bench-ref
"$top/scripts/wine_prefix.sh" "$main_prefix" || exit 1
WINEPREFIX=$ref_prefix "$top/scripts/wine_prefix.sh" "$ref_prefix" || exit 1
cleanup() {
  WINEPREFIX=$main_prefix wineserver -k 2>/dev/null
  WINEPREFIX=$ref_prefix wineserver -k 2>/dev/null
}
trap cleanup EXIT
export WINEPREFIX=$main_prefix
run wine_ 46500 wine "$winbin/qn_bench.exe" latency "$pages"
run wine_ 46600 wine "$winbin/qn_bench.exe" throughput 4 "$rounds"
run wine_ 46700 wine "$winbin/qn_bench.exe" throughput 16 "$rounds"
run wine_ 46800 wine "$winbin/qn_bench.exe" discovery "$repeats"
run wine_ 46900 wine "$winbin/qn_bench.exe" fanout 20 3 "$fan"
QN_BENCH_SITE_KEY=$site_key run wine_sealed_ 47500 wine "$winbin/qn_bench.exe" latency "$pages"
QN_BENCH_SITE_KEY=$site_key run wine_sealed_ 47600 wine "$winbin/qn_bench.exe" throughput 16 "$rounds"
QN_BENCH_SITE_KEY=$site_key run wine_sealed_ 47800 wine "$winbin/qn_bench.exe" discovery "$repeats"
QN_BENCH_LOOP=1 run wine_loop_ 48600 wine "$winbin/qn_bench.exe" latency "$pages"
QN_BENCH_LOOP=1 run wine_loop_ 48700 wine "$winbin/qn_bench.exe" throughput 16 "$rounds"
run wine_ 48800 wine "$winbin/qn_bench.exe" board "$repeats"

# The programs run from folders of their own, as on a workstation.
copies=$root/bench-copies
rm -rf "$copies" && mkdir -p "$copies/quillnet" "$copies/minimal"
cp "$winbin/Quillnet.exe" "$copies/quillnet/"
cp "$winbin/qn_minimal_window.exe" "$copies/minimal/"
probe=$winbin/qn_startup_probe.exe
history_of() { echo "$1"/drive_c/users/*/AppData/Local/Quillnet/history.log; }
rm -f $(history_of "$main_prefix")

run wine_ 0 wine "$probe" startup quillnet "$(winpath "$copies/quillnet/Quillnet.exe")" "$starts" QuillnetWindow 47000
run wine_ 0 wine "$probe" startup minimal "$(winpath "$copies/minimal/qn_minimal_window.exe")" "$starts" QNMinimalWindow

echo "--- idle cost over $idle s: Quillnet.exe and the minimal window program under Wine (each"
echo "    in its own prefix, program + wineserver), the engine natively beside its reference"
cat >"$copies/quillnet/Quillnet.ini" <<'INI'
[identity]
user = Bench
room = Bench room
[network]
discovery_port = 47700
message_port = 47701
[sound]
enabled = 0
[behavior]
always_on_top = 0
start_minimized = 0
bring_to_front_on_receive = 0
interrupt_screensaver_on_receive = 0
INI
rm -f $(history_of "$main_prefix")
# wine keeps the process it was started as: these are the programs' own Linux processes.
(cd "$copies/quillnet" && exec wine ./Quillnet.exe) >/dev/null 2>&1 &
q=$!
(cd "$copies/minimal" && WINEPREFIX=$ref_prefix exec wine ./qn_minimal_window.exe) >/dev/null 2>&1 &
m=$!
wine "$probe" lines 2 30000 >/dev/null || { echo "FAILED: Quillnet.exe did not start"; status=1; }

# The wineserver of a prefix: it serves every socket and window call of its programs.
pid_of_wineserver() {
  local p
  for p in /proc/[0-9]*; do
    case "$(tr '\0' ' ' <"$p/cmdline" 2>/dev/null)" in *wineserver*) ;; *) continue ;; esac
    if tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$1"; then basename "$p"; return; fi
  done
}
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
sleep 3
qs=$(pid_of_wineserver "$main_prefix"); ms=$(pid_of_wineserver "$ref_prefix")
if ! [ -d "/proc/$q" ] || ! [ -d "/proc/$m" ] || [ -z "$qs" ] || [ -z "$ms" ]; then
  echo "FAILED: processes not found (quillnet=$q minimal=$m wineservers=$qs,$ms)"; status=1
else
  hz=$(getconf CLK_TCK)
  (QN_BENCH_PORTS=47800 "$native" idle "$idle" | sed 's/^/native_/' >"$root/bench-idle-engine.txt") &
  idle_engine=$!
  (QN_BENCH_PORTS=47900 "$native" idle-reference "$idle" | sed 's/^/native_/' >"$root/bench-idle-ref.txt") &
  idle_reference=$!
  q0=$(ticks "$q"); qs0=$(ticks "$qs"); m0=$(ticks "$m"); ms0=$(ticks "$ms")
  sleep "$idle"
  q1=$(ticks "$q"); qs1=$(ticks "$qs"); m1=$(ticks "$m"); ms1=$(ticks "$ms")
  wait "$idle_engine" "$idle_reference"
  cat "$root/bench-idle-engine.txt" "$root/bench-idle-ref.txt" | tee -a "$results"
  note wine_idle_seconds "$idle"
  note wine_quillnet_idle_cpu_ms "$(( (q1 - q0 + qs1 - qs0) * 1000 / hz ))"
  note wine_minimal_idle_cpu_ms "$(( (m1 - m0 + ms1 - ms0) * 1000 / hz ))"

  echo "--- memory after $lines log lines"
  note wine_quillnet_rss_start_kb "$(rss_kb "$q")"
  note wine_minimal_rss_kb "$(rss_kb "$m")"
  before=$(wine "$probe" lines 0 1000 | tr -d '\r' | awk '{print $2}')
  note wine_log_lines_before "$before"
  run native_ 48000 "$native" feed 47701 "$lines"
  run wine_ 0 wine "$probe" lines "$((before + lines))" 900000
  note wine_quillnet_rss_after_kb "$(rss_kb "$q")"

  echo "--- the same copy under a flood of 100 000 made-up and broken datagrams"
  note wine_flood_rss_before_kb "$(rss_kb "$q")"
  QN_BENCH_PORTS=48100 "$native" flood 47700 100000 >/dev/null &
  flooder=$!
  acked=0 ping_max=0 rooms_peak=0
  for i in 1 2 3 4 5 6 7 8 9 10; do
    QN_BENCH_PORTS=48200 "$native" feed 47701 1 >/dev/null && acked=$((acked + 1))
    ping=$(wine "$probe" ping | tr -d '\r' | awk '{printf "%d", $2}')
    [ "${ping:-0}" -gt "$ping_max" ] && ping_max=$ping
    rooms=$(wine "$probe" text 101 | tr -d '\r' | tr -dc '0-9')
    [ "${rooms:-0}" -gt "$rooms_peak" ] && rooms_peak=$rooms
    sleep 0.5
  done
  wait "$flooder"
  note wine_flood_pages_sent 10
  note wine_flood_pages_acknowledged "$acked"
  note wine_flood_ping_max_ms "$ping_max"
  note wine_flood_rooms_peak "$rooms_peak"
  note wine_flood_rss_after_kb "$(rss_kb "$q")"
fi
wine "$probe" exit QuillnetWindow || status=1
WINEPREFIX=$ref_prefix wine "$probe" exit QNMinimalWindow || status=1

echo "--- the window's cost per page as the log grows (pages taken in: $growth_levels)"
# The program's own start-up, window procedure and message loop in the probe's process,
# in a folder of its own; the view keeps its default of 5,000 lines.
mkdir -p "$copies/growth"
run wine_ 0 wine "$winbin/qn_growth_probe.exe" "$(winpath "$copies/growth")" 48300 "$growth_levels" "$growth_samples"

note wine_quillnet_exe_bytes "$(stat -c %s "$winbin/Quillnet.exe")"
note wine_minimal_exe_bytes "$(stat -c %s "$winbin/qn_minimal_window.exe")"

echo
python3 "$top/bench/format_table.py" "$results"
exit $status
