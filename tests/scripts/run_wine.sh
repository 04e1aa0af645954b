#!/usr/bin/env bash
# The Windows executables under Wine on a virtual X display: unit and engine suites,
# the window tests and the end-to-end run of several copies of Quillnet.exe. Each runs in
# a fresh private network namespace; the prefix's wineserver (which owns the sockets) is
# ended after each, so the next one starts its own server inside its own namespace.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$0" "$@"
fi
export WINEPREFIX=$root/wine-test WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
isolated() { env -u QN_IN_NETNS "$top/scripts/netns.sh" "$@"; }
in_wine() {  # the program, then the prefix's server ended and gone
  wine "$@"
  local rc=$?
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  return $rc
}
export -f in_wine
isolated "$top/scripts/wine_prefix.sh" "$WINEPREFIX" || exit 1
status=0
run() {
  echo "--- $*"
  isolated bash -c 'in_wine "$@"' in_wine "$@" || status=1
}
run "$root/win/unit_tests.exe" --gtest_brief=1
[ -f "$root/win/engine_tests.exe" ] && run "$root/win/engine_tests.exe" --gtest_brief=1
[ -f "$root/win/ui_tests.exe" ] && run "$root/win/ui_tests.exe" --gtest_brief=1
# The simulated LAN again, with a sealed engine under Wine paging a native one.
if [ -x "$root/asan/lan_node" ] && [ -f "$root/win/engine_tests.exe" ]; then
  echo "--- LAN with a sealed engine under Wine"
  isolated env QN_WINE_ENGINE_TESTS="$root/win/engine_tests.exe" "$top/tests/lan/lan_test.sh" "$root/asan/lan_node" || status=1
fi
# The network check on a host whose discovery datagrams are dropped: a classic BPF
# filter on the loopback's ingress drops UDP to that port (offsets from the link
# header: 23 protocol, 36 destination port), so the program never hears itself.
if [ -f "$root/win/ui_tests.exe" ]; then
  dropped=44990
  echo "--- network check with the discovery datagrams dropped"
  QN_DROPPED_DISCOVERY_PORT=$dropped isolated bash -c '
    tc qdisc add dev lo clsact &&
    tc filter add dev lo ingress protocol ip bpf da bytecode "7,48 0 0 23,21 0 4 17,40 0 0 36,21 0 2 $1,6 0 0 2,6 0 0 4294967295,6 0 0 4294967295" &&
    shift && in_wine "$@"' drop "$dropped" "$root/win/ui_tests.exe" --gtest_brief=1 --gtest_filter='NetworkCheck.*' || status=1
fi
# The window tests that depend on the display's DPI, again in prefixes at 150 % and
# 200 % (each its own prefix, with a desktop large enough for the scaled window).
if [ -f "$root/win/ui_tests.exe" ]; then
  for scaled in "144 1920x1200" "192 2560x1600"; do
    set -- $scaled
    prefix=$root/wine-test-dpi$1
    isolated "$top/scripts/wine_prefix.sh" "$prefix" "$2" "$1" || { status=1; continue; }
    echo "--- window tests at $1 DPI"
    WINEPREFIX=$prefix QN_EXPECT_DPI=$1 isolated bash -c 'in_wine "$@"' in_wine "$root/win/ui_tests.exe" \
      --gtest_brief=1 --gtest_filter='Dpi.*' || status=1
  done
fi
# The installer package: built, installed, upgraded and removed in a prefix of its own.
if [ -f "$root/win/QnSetup.dll" ] && [ -x "$root/asan/qnsend" ]; then
  echo "--- installer package"
  isolated "$top/tests/msi/run_msi_test.sh" || status=1
fi
if [ -x "$top/tests/e2e/run_e2e.sh" ] && [ -f "$root/win/Quillnet.exe" ]; then
  echo "--- end to end"
  isolated "$top/tests/e2e/run_e2e.sh" || status=1
fi
exit $status
