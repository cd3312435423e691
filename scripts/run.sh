#!/usr/bin/env bash
# Builds the configurator and starts it under Wine against the stand-in server holding
# the demo configuration (examples/demo), in a working directory with the example device
# descriptions. Without a display it starts a virtual one (Xvfb), takes a screenshot of the
# main window and leaves the program running until Ctrl-C.
#
#   scripts/run.sh                    run until the window is closed (or Ctrl-C)
#   scripts/run.sh --screenshot-only  take the screenshot, close the program, exit
#   scripts/run.sh --keep-state       keep the server's tags from the last run
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

screenshot_only=0
keep_state=0
for arg in "$@"; do
  case "$arg" in
    --screenshot-only) screenshot_only=1 ;;
    --keep-state) keep_state=1 ;;
    *) echo "usage: scripts/run.sh [--screenshot-only] [--keep-state]" >&2; exit 2 ;;
  esac
done

# shellcheck source=scripts/deps.sh
source scripts/deps.sh
zol_install_packages run
mkdir -p build/logs
echo "Building (log: build/logs/run-build.log)..."
scripts/build.sh run >build/logs/run-build.log 2>&1 || { tail -30 build/logs/run-build.log; exit 1; }

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
own_display=0
if [ -z "${DISPLAY:-}" ]; then own_display=1; fi

program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  zol_wine_reset >/dev/null 2>&1 || true
  zol_xvfb_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

zol_xvfb_start
zol_wine_init "$root/build/win/prefix"
# On a bare X server (no window manager) Wine draws the window frames itself.
if [ $own_display = 1 ]; then managed=N; else managed=Y; fi
"$ZOL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f >/dev/null 2>&1 || true

demo=$root/build/demo
home=$demo/server
work=$demo/work
mkdir -p "$work" "$root/build/screenshots"
if [ $keep_state = 0 ] || [ ! -f "$home/tags.txt" ]; then zol_standin_seed examples/demo "$home"; fi
zol_wine_register "$root/build/win/bin" "$home"
rm -f "$work"/*.dsc
cp build/win/examples/devices/*.dsc "$work/"

echo "Server state: $home (tags.txt, port.txt, line.txt, faults.txt)"
echo "Working directory: $work"
(cd "$work" && exec env -u ZOLSRV_HOME "$ZOL_WINE" "$root/build/win/bin/zolcfg.exe" >"$demo/zolcfg.out" 2>&1 </dev/null) &
program_pid=$!

title_prefix="Конфигуратор ZOL-OPC-Server версия"
if ! zol_wine "$root/build/win/bin/zolinspect.exe" --wait 60 "$title_prefix" >"$demo/window.txt"; then
  echo "The main window did not appear; program output:"; cat "$demo/zolcfg.out"
  exit 1
fi
cat "$demo/zolcfg.out"
cat "$demo/window.txt"

shot=$root/build/screenshots/run-main-window.png
sleep 1
window=$(xdotool search --name "$title_prefix" 2>/dev/null | head -1 || true)
if [ -n "$window" ]; then import -window "$window" "$shot" 2>/dev/null || import -window root "$shot"; else import -window root "$shot"; fi
echo "Screenshot: $shot"

if [ $screenshot_only = 1 ]; then
  zol_wine "$root/build/win/bin/zolinspect.exe" --close "$title_prefix" >/dev/null
  wait "$program_pid" || true
  program_pid=""
  exit 0
fi

if [ $own_display = 1 ]; then
  echo "zolcfg.exe runs on the virtual display $DISPLAY; press Ctrl-C to stop it."
fi
wait "$program_pid" || true
program_pid=""
