#!/usr/bin/env bash
# Photographs the main window, the dialogs, the About box, the site key window and the
# network check for docs/ (run inside scripts/netns.sh, after scripts/build.sh win).
# Each scene is a disabled test of ui_tests.exe held on screen while ImageMagick's import grabs the
# virtual desktop; the *_144dpi pictures come from a prefix at 144 DPI (150 %) with a
# larger desktop.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
out=${1:-$top/docs}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1200x24 -nolisten tcp" "$0" "$@"
fi
export WINEDEBUG=-all
mkdir -p "$out"
prefix() {  # directory, desktop size, DPI
  export WINEPREFIX=$1
  "$top/scripts/wine_prefix.sh" "$1" "$2" "$3"
  # The first program of a fresh prefix starts slowly; start the desktop beforehand.
  wine "$root/win/ui_tests.exe" --gtest_list_tests >/dev/null
}
shoot() {  # test name, picture, extra environment
  local test=$1 picture=$2; shift 2
  env QN_HOLD_MS=6000 "$@" wine "$root/win/ui_tests.exe" --gtest_also_run_disabled_tests \
    --gtest_filter="$test" >/dev/null &
  sleep 5
  import -window root -crop "$crop" +repage "$out/$picture"
  wait
}
prefix "$root/wine-test" 1280x800 96
crop=1280x800+0+0
shoot Screenshots.DISABLED_MainWindowWithRoomsAndPages main_window.png
shoot Screenshots.DISABLED_MainWindowWithRoomsAndPages main_window_minimum.png QN_SHOT_SIZE=min
shoot Screenshots.DISABLED_IdleMainWindow main_window_idle.png
shoot Screenshots.DISABLED_AboutBox about_box.png
shoot ConfigDialogTest.DISABLED_HoldOpenForAScreenshot config_dialog.png
shoot Screenshots.DISABLED_ConfigurationAfterMinimise config_dialog_after_minimise.png
shoot Screenshots.DISABLED_RefusedSendAfterTheRoomLeft refused_send.png
shoot Screenshots.DISABLED_KeyWindowOpen key_window_open.png
shoot Screenshots.DISABLED_KeyWindowSealed key_window_sealed.png
shoot Screenshots.DISABLED_SealedMainWindow main_window_sealed.png
shoot Screenshots.DISABLED_NetworkCheck network_check.png
shoot Alerts.DISABLED_HoldAPrivateBalloonForAScreenshot private_balloon.png
shoot Screenshots.DISABLED_LongLogOfWrappingPages main_window_long_log.png
wineserver -k 2>/dev/null || true
prefix "$root/wine-test-dpi144" 1920x1200 144
crop=1920x1200+0+0
shoot Screenshots.DISABLED_MainWindowWithRoomsAndPages main_window_144dpi.png
shoot ConfigDialogTest.DISABLED_HoldOpenForAScreenshot config_dialog_144dpi.png
shoot Screenshots.DISABLED_AboutBox about_box_144dpi.png
shoot Screenshots.DISABLED_NetworkCheck network_check_144dpi.png
wineserver -k 2>/dev/null || true
echo "screenshots in $out"
