#!/usr/bin/env bash
# Native suites: the portable core under ASan+UBSan, the engine under ASan and TSan, and
# the simulated LAN. Each suite gets a fresh private network namespace of its own, so no
# socket, address or bridge left behind by one suite can disturb the next.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
isolated() { env -u QN_IN_NETNS "$top/scripts/netns.sh" "$@"; }
status=0
run() {
  echo "--- $*"
  isolated "$@" || status=1
}
run "$root/asan/unit_tests" --gtest_brief=1
[ -x "$root/asan/engine_tests" ] && run "$root/asan/engine_tests" --gtest_brief=1
[ -x "$root/tsan/engine_tests" ] && run "$root/tsan/engine_tests" --gtest_brief=1
[ -x "$root/asan/lan_node" ] && run "$top/tests/lan/lan_test.sh" "$root/asan/lan_node"
exit $status
