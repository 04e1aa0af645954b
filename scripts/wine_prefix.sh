#!/usr/bin/env bash
# Creates (once) a Wine prefix for tests and demos: 64-bit, no desktop integration,
# and a default virtual desktop so that windows, exit codes and the tray behave as on
# a Windows desktop. Must run inside the caller's private network namespace, because
# the prefix's wineserver (which owns every socket of its programs) starts here.
# Usage: wine_prefix.sh DIR [DESKTOP_SIZE, default 1280x800] [DPI, default 96]
# A DPI other than 96 (for example 144 = 150 %, 192 = 200 %) is set in the fresh prefix
# before anything else runs in it, so that the whole prefix runs at that DPI.
set -euo pipefail
prefix=$1
size=${2:-1280x800}
dpi=${3:-96}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$prefix/.quillnet-ready-6" ]; then
  if [ ! -f "$prefix/system.reg" ]; then
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  if [ "$dpi" != 96 ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  fi
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f >/dev/null 2>&1
  # "Segoe UI" is not part of Wine. DejaVu Sans Condensed stands in: close in width, and
  # it has the symbols the program shows (flag, check mark, warning sign, arrows).
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v "Segoe UI" /d "DejaVu Sans Condensed" /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.quillnet-ready-6"
fi
