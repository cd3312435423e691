#!/usr/bin/env bash
# Builds everything: the native build (portable core, unit tests, dsctool, benchmarks) in
# build/native and the Windows build (zolcfg.exe, zolsrv.exe, zolps.dll, Windows tests)
# in build/win. Usage: scripts/build.sh [native|win|all]
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
jobs=$(nproc 2>/dev/null || echo 2)

if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs"
fi
if [ "$what" = win ] || [ "$what" = all ]; then
  cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DZOL_HOST_DSCTOOL="$PWD/build/native/tools/dsctool" >/dev/null
  cmake --build build/win -j"$jobs"
fi
