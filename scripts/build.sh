#!/usr/bin/env bash
# Configures and builds one flavour of the tree:
#   win     cross build for Windows (Quillnet.exe and the test executables)
#   asan    native portable core and tests with AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan    native portable core and tests with ThreadSanitizer
#   fuzz    native libFuzzer targets (clang)
#   native  native release build without tests (the qnsend program)
#   bench   native release build of the benchmark programs (no tests)
#   bench-win  cross release build of Quillnet.exe and the Windows benchmark programs
# Build folders live under ${QN_BUILD_ROOT:-build}.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=${QN_BUILD_ROOT:-$top/build}
kind=$1; shift || true
jobs=$(nproc)
case "$kind" in
  win)  args=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
  asan) args=(-DQN_SANITIZE=address -DCMAKE_BUILD_TYPE=Debug) ;;
  tsan) args=(-DQN_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  native) args=(-DQN_TESTS=OFF -DCMAKE_BUILD_TYPE=Release) ;;
  fuzz) args=(-DQN_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
              -DQN_SANITIZE=address -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  bench) args=(-DQN_BENCH=ON -DQN_TESTS=OFF -DCMAKE_BUILD_TYPE=Release) ;;
  bench-win) args=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DQN_BENCH=ON -DQN_TESTS=OFF
                   -DCMAKE_BUILD_TYPE=Release) ;;
  *) echo "build.sh: unknown flavour '$kind'" >&2; exit 2 ;;
esac
dir="$root/$kind"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "${args[@]}" >/dev/null
fi
MAKEFLAGS= cmake --build "$dir" -j "$jobs" "$@" | grep -vE "^(gmake|make)\[[0-9]+\]: (Entering|Leaving)"; exit ${PIPESTATUS[0]}
