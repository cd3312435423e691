#!/usr/bin/env bash
# Builds everything: the native build (portable core, unit tests, dsctool, benchmarks) in
# build/native and the two Windows builds (zolcfg.exe, zolsrv.exe, zolps.dll, dsctool.exe,
# Windows tests): 64-bit in build/win, 32-bit in build/win32.
# Usage: scripts/build.sh [native|win|win64|win32|all]   (win: both Windows builds)
#        scripts/build.sh run                     what scripts/run.sh needs, nothing more
#        scripts/build.sh win32-tests [TARGET...]
#        scripts/build.sh asan                    the sanitizer build of the unit tests
#
# run: the native dsctool (it packs the example descriptions) and of the 64-bit build
# zolcfg.exe, zolsrv.exe, zolps.dll, zolinspect.exe and the example descriptions; the test
# programs and benchmarks are left to scripts/test.sh.
#
# The 32-bit build makes the programs users get (and what the package and mixed-bitness
# checks need); its test programs and benchmarks only with win32-tests (all of them, or the
# TARGETs named): compiling them all doubles the Windows build.
#
# Each build folder's time goes to standard output as one line, "built DIR [TARGETS] in N s"
# (scripts/test.sh puts these lines in its summary).
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
[ $# -gt 0 ] && shift
jobs=$(nproc 2>/dev/null || echo 2)

win32_programs=(zolcfg zolctl dsctool zolsrv zolps zolinspect zolfileinfo zol_example_devices)
run_programs=(zolcfg zolsrv zolps zolinspect zol_example_devices)

# build DIR [TARGET...]   (no target: everything), after configuring DIR; prints its time.
build() {
  local dir=$1 start=$SECONDS
  shift
  if [ $# -gt 0 ]; then
    cmake --build "$dir" -j"$jobs" --target "$@"
  else
    cmake --build "$dir" -j"$jobs"
  fi
  echo "built $dir${*:+ ($*)} in $((SECONDS - start)) s"
}

# build_windows DIR TOOLCHAIN [TARGET...]
build_windows() {
  local dir=$1 toolchain=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" \
    -DZOL_HOST_DSCTOOL="$PWD/build/native/tools/dsctool" >/dev/null
  build "$dir" "$@"
}

case "$what" in
  native|win|win64|win32|win32-tests|all|run|asan) ;;
  *) echo "usage: scripts/build.sh [native|win|win64|win32|win32-tests|all|run|asan]" >&2; exit 2 ;;
esac
case "$what" in native|all|run)
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  if [ "$what" = run ]; then build build/native dsctool; else build build/native; fi
  ;;
esac
case "$what" in win|win64|all) build_windows build/win mingw-w64-x86_64.cmake ;; esac
case "$what" in run) build_windows build/win mingw-w64-x86_64.cmake "${run_programs[@]}" ;; esac
case "$what" in win|win32|all) build_windows build/win32 mingw-w64-i686.cmake "${win32_programs[@]}" ;; esac
case "$what" in win32-tests) build_windows build/win32 mingw-w64-i686.cmake "$@" ;; esac
if [ "$what" = asan ]; then
  cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOL_SANITIZE=ON >/dev/null
  build build/asan
fi
