#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need. Idempotent:
# packages already present are not touched, and apt runs only when something is missing.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev python3 python3-pil
  libgtest-dev googletest
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-dejavu-core fonts-dejavu-extra xvfb xauth x11-utils imagemagick xdotool
  iproute2 util-linux procps psmisc
  libssl-dev pkg-config tcpdump
  msitools wixl osslsigncode
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo_cmd env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
