#!/usr/bin/env bash
# Photographs the main window, the About box and the site key window for docs/ (run inside scripts/netns.sh,
# after scripts/build.sh win). Each scene is a disabled test of ui_tests.exe held on
# screen while ImageMagick's import grabs the virtual desktop.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
out=${1:-$top/docs}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$0" "$@"
fi
export WINEPREFIX=$root/wine-test WINEDEBUG=-all
"$top/scripts/wine_prefix.sh" "$WINEPREFIX"
mkdir -p "$out"
# The first program of a fresh prefix starts slowly; start the desktop beforehand.
wine "$root/win/ui_tests.exe" --gtest_list_tests >/dev/null
shoot() {  # test name, picture, extra environment
  local test=$1 picture=$2; shift 2
  env QN_HOLD_MS=6000 "$@" wine "$root/win/ui_tests.exe" --gtest_also_run_disabled_tests \
    --gtest_filter="Screenshots.DISABLED_$test" >/dev/null &
  sleep 5
  import -window root "$out/$picture"
  wait
}
shoot MainWindowWithRoomsAndPages main_window.png
shoot MainWindowWithRoomsAndPages main_window_minimum.png QN_SHOT_SIZE=min
shoot IdleMainWindow main_window_idle.png
shoot AboutBox about_box.png
shoot KeyWindowOpen key_window_open.png
shoot KeyWindowSealed key_window_sealed.png
shoot SealedMainWindow main_window_sealed.png
wineserver -k 2>/dev/null || true
echo "screenshots in $out"
