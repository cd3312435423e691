#!/usr/bin/env bash
# Runs the Windows test programs of a build under Wine, each against the stand-in server of
# the same build through real COM, in a working directory holding the example device
# descriptions, in the build's own Wine prefix (BUILDDIR/prefix, a 64-bit prefix, which runs
# 32-bit programs as well; for the 32-bit build ZOL_WINE32_PREFIX when set: run it through
# scripts/with-wine32.sh where the kernel runs no 32-bit programs).
#
#   scripts/win-tests.sh                          every program of build/win/win-tests.txt
#   scripts/win-tests.sh build/win32 [TEST...]    those of the 32-bit build (or only TEST...)
#
# Screenshots go to build/screenshots (build/screenshots/win32 for the 32-bit build), logs to
# build/logs (prefixed win32-). Exit code: non-zero when any program failed or could not run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/win}
build=$root/${build#"$root"/}
[ $# -gt 0 ] && shift
name=$(basename "$build")
if [ "$name" = win ]; then tag=""; shots=$root/build/screenshots; else tag="$name-"; shots=$root/build/screenshots/$name; fi
if [ $# -gt 0 ]; then tests=$(printf '%s\n' "$@"); else tests=$(cat "$build/win-tests.txt" 2>/dev/null); fi

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT

zol_xvfb_start || exit 1
prefix=$build/prefix
[ "$name" = win32 ] && [ -n "${ZOL_WINE32_PREFIX:-}" ] && prefix=$ZOL_WINE32_PREFIX
zol_wine_init "$prefix" || exit 1
"$ZOL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

mkdir -p "$shots" "$root/build/logs"
export ZOL_SCREENSHOT_DIR
ZOL_SCREENSHOT_DIR=$(zol_winpath "$shots")
work=$build/examples/devices
[ -d "$work" ] || { echo "no example descriptions in $work"; exit 1; }

status=0
count=0
while read -r test; do
  [ -n "$test" ] || continue
  count=$((count + 1))
  echo "== $test"
  log=$root/build/logs/$tag$test.log
  (cd "$work" && timeout 900 env -u ZOLSRV_HOME "$ZOL_WINE" "$build/bin/$test.exe" >"$log" 2>&1 </dev/null)
  rc=$?
  grep -v '^Start reading configuration files$\|^Reading config file' "$log"
  if [ $rc -ne 0 ]; then
    echo "$test: exit code $rc"
    status=1
  fi
  # No server or window of one program may outlive it into the next.
  zol_wine_reset >/dev/null 2>&1
done <<<"$tests"

[ $count -gt 0 ] || { echo "no Windows test programs listed"; status=1; }

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
