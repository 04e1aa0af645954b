#!/usr/bin/env bash
# The whole test suite. Runs inside a private network namespace (make test enters one
# through scripts/netns.sh) and refuses to run anywhere else.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
cd "$top"
if [ "${QN_IN_NETNS:-}" != "1" ]; then
  echo "run_all.sh must run inside scripts/netns.sh (private network namespace)" >&2
  exit 2
fi

failures=()
step() {
  local name=$1; shift
  echo "=== $name"
  local t0=$SECONDS
  if "$@"; then
    echo "=== $name: ok ($((SECONDS - t0)) s)"
  else
    echo "=== $name: FAILED ($((SECONDS - t0)) s)"
    failures+=("$name")
  fi
}

step "include layers" tests/scripts/check_layers.sh
step "build native (ASan+UBSan)" scripts/build.sh asan
step "build native (TSan)" scripts/build.sh tsan --target engine_tests
step "build fuzz targets" scripts/build.sh fuzz
step "build Windows" scripts/build.sh win
step "native tests" tests/scripts/run_native.sh
step "fuzz (short)" tests/scripts/run_fuzz.sh "${QN_FUZZ_SECONDS:-10}"
step "Windows tests under Wine" tests/scripts/run_wine.sh

if [ ${#failures[@]} -gt 0 ]; then
  echo "FAILED: ${failures[*]}"
  exit 1
fi
echo "ALL TESTS PASSED"
