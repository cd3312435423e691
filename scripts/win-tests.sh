#!/usr/bin/env bash
# Runs every Windows test program (build/win/win-tests.txt) under Wine, each against the
# stand-in server through real COM, in a working directory holding the example device
# descriptions. Screenshots the tests take go to build/screenshots (as PNG).
# Exit code: non-zero when any program failed or could not run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT

zol_xvfb_start || exit 1
zol_wine_init "$root/build/win/prefix" || exit 1
"$ZOL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

shots=$root/build/screenshots
mkdir -p "$shots" "$root/build/logs"
export ZOL_SCREENSHOT_DIR
ZOL_SCREENSHOT_DIR=$(zol_winpath "$shots")
work=$root/build/win/examples/devices
[ -d "$work" ] || { echo "no example descriptions in $work"; exit 1; }

status=0
count=0
while read -r test; do
  [ -n "$test" ] || continue
  count=$((count + 1))
  echo "== $test"
  log=$root/build/logs/$test.log
  (cd "$work" && timeout 900 env -u ZOLSRV_HOME "$ZOL_WINE" "$root/build/win/bin/$test.exe" >"$log" 2>&1 </dev/null)
  rc=$?
  grep -v '^Start reading configuration files$\|^Reading config file' "$log"
  if [ $rc -ne 0 ]; then
    echo "$test: exit code $rc"
    status=1
  fi
  # No server or window of one program may outlive it into the next.
  zol_wine_reset >/dev/null 2>&1
done <"$root/build/win/win-tests.txt"

[ $count -gt 0 ] || { echo "no Windows test programs listed"; status=1; }

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $status
