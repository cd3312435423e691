#!/usr/bin/env bash
# Builds everything: the native build (portable core, unit tests, dsctool, benchmarks) in
# build/native and the two Windows builds (zolcfg.exe, zolsrv.exe, zolps.dll, dsctool.exe,
# Windows tests): 64-bit in build/win, 32-bit in build/win32.
# Usage: scripts/build.sh [native|win|win64|win32|all]   (win: both Windows builds)
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
jobs=$(nproc 2>/dev/null || echo 2)

# build_windows DIR TOOLCHAIN
build_windows() {
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="cmake/$2" \
    -DZOL_HOST_DSCTOOL="$PWD/build/native/tools/dsctool" >/dev/null
  cmake --build "$1" -j"$jobs"
}

case "$what" in
  native|win|win64|win32|all) ;;
  *) echo "usage: scripts/build.sh [native|win|win64|win32|all]" >&2; exit 2 ;;
esac
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs"
fi
case "$what" in win|win64|all) build_windows build/win mingw-w64-x86_64.cmake ;; esac
case "$what" in win|win32|all) build_windows build/win32 mingw-w64-i686.cmake ;; esac
