#!/usr/bin/env bash
# Runs every libFuzzer target for a fixed time each (seconds, default 10); any crash or
# sanitizer report fails the run. The seed corpora live in tests/fuzz/corpus/<target>.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
seconds=${1:-10}
status=0
shopt -s nullglob
for target in "$root"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds="$top/tests/fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
       -artifact_prefix="$work/" "$work" >"$work.log" 2>&1; then
    echo "$name: $(grep -Eo 'Done [0-9]+ runs' "$work.log" | tail -1)"
  else
    echo "$name: FAILED"; tail -40 "$work.log"; status=1
  fi
  rm -rf "$work" "$work.log"
done
exit $status
