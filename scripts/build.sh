#!/usr/bin/env bash
# Builds everything: the native build (portable core, unit tests, dsctool, benchmarks) in
# build/native and the two Windows builds (zolcfg.exe, zolsrv.exe, zolps.dll, dsctool.exe,
# Windows tests): 64-bit in build/win, 32-bit in build/win32.
# Usage: scripts/build.sh [native|win|win64|win32|all]   (win: both Windows builds)
#        scripts/build.sh win32-tests [TARGET...]
#
# The 32-bit build makes the programs users get (and what the package and mixed-bitness
# checks need); its test programs and benchmarks only with win32-tests (all of them, or the
# TARGETs named): compiling them all doubles the Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
[ $# -gt 0 ] && shift
jobs=$(nproc 2>/dev/null || echo 2)

win32_programs=(zolcfg zolctl dsctool zolsrv zolps zolinspect zolfileinfo zol_example_devices)

# build_windows DIR TOOLCHAIN [TARGET...]   (no target: everything)
build_windows() {
  local dir=$1 toolchain=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" \
    -DZOL_HOST_DSCTOOL="$PWD/build/native/tools/dsctool" >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build "$dir" -j"$jobs" --target "$@"
  else
    cmake --build "$dir" -j"$jobs"
  fi
}

case "$what" in
  native|win|win64|win32|win32-tests|all) ;;
  *) echo "usage: scripts/build.sh [native|win|win64|win32|win32-tests|all]" >&2; exit 2 ;;
esac
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs"
fi
case "$what" in win|win64|all) build_windows build/win mingw-w64-x86_64.cmake ;; esac
case "$what" in win|win32|all) build_windows build/win32 mingw-w64-i686.cmake "${win32_programs[@]}" ;; esac
case "$what" in win32-tests) build_windows build/win32 mingw-w64-i686.cmake "$@" ;; esac
