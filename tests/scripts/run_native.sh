#!/usr/bin/env bash
# Native suites: the portable core under ASan+UBSan, the engine also under TSan.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
status=0
"$root/asan/unit_tests" --gtest_brief=1 || status=1
if [ -x "$root/asan/engine_tests" ]; then "$root/asan/engine_tests" --gtest_brief=1 || status=1; fi
if [ -x "$root/tsan/engine_tests" ]; then "$root/tsan/engine_tests" --gtest_brief=1 || status=1; fi
if [ -x "$root/asan/lan_node" ]; then "$top/tests/lan/lan_test.sh" "$root/asan/lan_node" || status=1; fi
exit $status
