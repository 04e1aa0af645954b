#!/usr/bin/env bash
# The Windows executables under Wine on a virtual X display: unit and engine suites,
# the window tests and the end-to-end run of several copies of Quillnet.exe.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$0" "$@"
fi
export WINEPREFIX=$root/wine-test WINEDEBUG=-all
"$top/scripts/wine_prefix.sh" "$WINEPREFIX" || exit 1
status=0
run() {
  echo "--- $*"
  wine "$@" || status=1
}
run "$root/win/unit_tests.exe" --gtest_brief=1
[ -f "$root/win/engine_tests.exe" ] && run "$root/win/engine_tests.exe" --gtest_brief=1
[ -f "$root/win/ui_tests.exe" ] && run "$root/win/ui_tests.exe" --gtest_brief=1
wineserver -k 2>/dev/null
if [ -x "$top/tests/e2e/run_e2e.sh" ] && [ -f "$root/win/Quillnet.exe" ]; then
  "$top/tests/e2e/run_e2e.sh" || status=1
fi
exit $status
