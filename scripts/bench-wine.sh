#!/usr/bin/env bash
# Runs a Windows benchmark program of bench/ under Wine, on a virtual display when there is
# no display, in the build's prefix:
#   scripts/bench-wine.sh startup_bench title         zolcfg.exe: process start to title
#   scripts/bench-wine.sh startup_bench fill [TAGS]   start to filled tree vs bare EnumTags walk
#   scripts/bench-wine.sh startup_bench window        demo configuration: start to main window
#                                                     shown vs an empty dialog program's
#   scripts/bench-wine.sh dialog_bench addtags [N]    opening the add-tags dialog, N parameters
#   scripts/bench-wine.sh dialog_bench delete [N]     deleting a device with N tags
#   scripts/bench-wine.sh com_roundtrip               one IAddTags call over COM vs in-process
#   scripts/bench-wine.sh search_bench 20 10          auto-search: total time, responsiveness, stop
#   scripts/bench-wine.sh zolctl_bench export [TAGS]  zolctl export vs bare EnumTags walk
#   scripts/bench-wine.sh zolctl_bench import [ROWS]  zolctl import vs bare AddTag calls
#   scripts/bench-wine.sh zolctl_bench journal [ROWS] zolctl import with the journal vs --no-journal
#   scripts/bench-wine.sh zolctl_bench journal-calls [ROWS]  the same import's calls in one process
#   scripts/bench-wine.sh zolctl_bench undo [TAGS]    journaled device deletion and its undo vs bare calls
#   scripts/bench-wine.sh zolctl_bench parts [N]      a journal line's parts: clock, lock, write
# Options before the program:
#   --build DIR   the program of that build (default build/win; build/win32: the 32-bit one,
#                 through scripts/with-wine32.sh where the kernel runs no 32-bit programs)
#   --both        the 64-bit build's program, then the 32-bit one's, in one run; for
#                 "startup_bench title" also the ratio of the median times (32-bit / 64-bit)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
builds=(build/win)
case "${1:-}" in
  --build) builds=("${2:?--build DIR}"); shift 2 ;;
  --both) builds=(build/win build/win32); shift ;;
esac
program=${1:?usage: scripts/bench-wine.sh [--build DIR|--both] PROGRAM [ARGS...]}
shift
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT
zol_xvfb_start

median() { tr ' ' '\n' | grep -E '^[0-9.]+$' | sort -n | awk '{v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]}'; }
declare -A title_median
for build in "${builds[@]}"; do
  echo "== $build"
  if [ "$build" = build/win32 ] && ! zol_wine32_usable; then
    echo "not run: $ZOL_WINE32_REASON"
    continue
  fi
  prefix=$root/$build/prefix
  [ "$build" = build/win32 ] && [ -n "${ZOL_WINE32_PREFIX:-}" ] && prefix=$ZOL_WINE32_PREFIX
  zol_wine_init "$prefix"
  args=("$@")
  bin=$root/$build/bin
  if [ "$program" = startup_bench ] && [ "${1:-}" = window ] && [ $# -eq 1 ]; then
    demo_home=$root/build/bench-demo/server
    zol_standin_seed examples/demo "$demo_home"
    args=(window "$(zol_winpath "$demo_home")" "$(zol_winpath "$root/$build/examples/devices")")
    # The programs as users get them: stripped as the packages are (the debug sections of
    # a build make its start tens of milliseconds slower under Wine).
    bin=$root/build/bench-demo/bin
    mkdir -p "$bin"
    strip=x86_64-w64-mingw32-strip
    [ "$build" = build/win32 ] && strip=i686-w64-mingw32-strip
    for f in startup_bench.exe empty_dialog.exe zolcfg.exe zolsrv.exe zolps.dll; do
      "$strip" --strip-all -o "$bin/$f" "$root/$build/bin/$f"
    done
  fi
  out=$(zol_wine "$bin/$program.exe" "${args[@]}")
  echo "$out"
  title_median[$build]=$(echo "$out" | sed -n 's/^process start -> title set[^:]*://p' | sed 's/ s$//' | median)
  zol_wine_reset
done
if [ ${#builds[@]} -eq 2 ] && [ -n "${title_median[build/win]:-}" ] && [ -n "${title_median[build/win32]:-}" ]; then
  echo "median start to title: 64-bit ${title_median[build/win]} s, 32-bit ${title_median[build/win32]} s," \
       "ratio 32/64: $(awk -v a="${title_median[build/win32]}" -v b="${title_median[build/win]}" 'BEGIN {printf "%.2f", a / b}')"
  if [ "${ZOL_WINE32_NAMESPACE:-0}" = 1 ]; then
    echo "the 32-bit programs ran under emulation (qemu-i386): the ratio measures qemu, and says nothing of Windows"
  fi
fi
