#!/usr/bin/env bash
# Runs one Windows test program under Wine: CTest's CMAKE_CROSSCOMPILING_EMULATOR for both
# MinGW builds (cmake/mingw-w64-*.cmake), and what scripts/win-tests.sh runs per program.
#
#   scripts/wine-test.sh BUILD/bin/PROGRAM.exe [ARGS...]   run it
#   scripts/wine-test.sh --setup BUILD                     prepare the build's prefix (fixture)
#   scripts/wine-test.sh --teardown BUILD                  end everything running in it
#   scripts/wine-test.sh --with32 [--or-without] COMMAND...
#        a script that runs 32-bit programs (mixed bitness, start-up ratio, packages):
#        through scripts/with-wine32.sh; where 32-bit programs cannot run here it is skipped,
#        or with --or-without run as it is (it then says what it left out)
#
# Around the program: a virtual display when there is none, the build's Wine prefix
# (BUILD/prefix; for the 32-bit build the one scripts/with-wine32.sh makes, entered through
# it), the working directory holding the example descriptions (BUILD/examples/devices), the
# screenshot folder (build/screenshots, build/screenshots/win32) and afterwards the reset
# of the prefix, so that no server or window outlives the program into the next test. The
# test programs register the stand-in server with a state folder of their own.
#
# The output goes to build/logs/ZOL_TEST_NAME.log (or PROGRAM.log) and to standard output,
# through a file: a COM server the program starts inherits its handles and would keep a
# pipe open after the program ended. GoogleTest's XML report goes to build/logs/gtest/.
#
# Exit code: the program's; 77 ("skipped: REASON" on standard output) where the build's
# programs cannot run here, e.g. 32-bit ones on a kernel that runs none and cannot emulate them.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
self=$root/scripts/wine-test.sh
skip=77

# build_of PATH: the build folder of a program (BUILD/bin/x.exe) or a build folder itself.
build_of() {
  local p
  p=$(realpath -m "$1")
  case "$p" in */bin/*.exe) dirname "$(dirname "$p")" ;; *) echo "$p" ;; esac
}

skip_no32() { echo "skipped: 32-bit Windows programs cannot run here: ${1#not run: }"; exit $skip; }

# wine32_answer BUILD: "ok", or "not run: REASON", from the setup fixture's check (made now
# when the fixture did not run).
wine32_answer() {
  local file=$1/wine32-check.txt
  mkdir -p "$1"
  if [ ! -s "$file" ]; then
    "$root/scripts/with-wine32.sh" --check 2>/dev/null | tail -1 >"$file"
  fi
  cat "$file"
}

# enter32 BUILD ARGS...: re-runs this script inside scripts/with-wine32.sh for a 32-bit
# build, unless already there; skips with the reason where 32-bit programs cannot run.
enter32() {
  local build=$1; shift
  [ "$(basename "$build")" = win32 ] || return 0
  [ -n "${ZOL_WINE32_PREFIX:-}" ] && return 0
  local answer
  answer=$(wine32_answer "$build")
  case "$answer" in
    ok*) exec "$root/scripts/with-wine32.sh" "$self" "$@" ;;
    *) skip_no32 "$answer" ;;
  esac
}

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"

prefix_of() {
  if [ "$(basename "$1")" = win32 ] && [ -n "${ZOL_WINE32_PREFIX:-}" ]; then echo "$ZOL_WINE32_PREFIX"; else echo "$1/prefix"; fi
}

case "${1:-}" in
  --with32)
    shift
    without=0
    [ "${1:-}" = --or-without ] && { without=1; shift; }
    [ $# -gt 0 ] || { echo "usage: scripts/wine-test.sh --with32 [--or-without] COMMAND..."; exit 2; }
    answer=$(wine32_answer "$root/build/win32")
    case "$answer" in
      ok*) "$root/scripts/with-wine32.sh" "$@" ;;
      *) [ $without = 1 ] || skip_no32 "$answer"
         "$@" ;;
    esac
    rc=$?
    WINEPREFIX=$root/build/wine32/prefix "$ZOL_WINESERVER" -k 2>/dev/null
    exit $rc ;;
  --setup)
    build=$(build_of "${2:?usage: scripts/wine-test.sh --setup BUILD}")
    if [ "$(basename "$build")" = win32 ] && [ -z "${ZOL_WINE32_PREFIX:-}" ]; then
      rm -f "$build/wine32-check.txt"
      answer=$(wine32_answer "$build")
      case "$answer" in ok*) ;; *) skip_no32 "$answer" ;; esac
    fi
    enter32 "$build" "$@"
    zol_wine_init "$(prefix_of "$build")" || exit 1
    # On a bare X server Wine draws the frames itself, and the screenshots show them.
    "$ZOL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    # A program that crashes ends at once with its backtrace in the log, instead of
    # waiting on the crash dialog until the time limit.
    "$ZOL_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    zol_wine_reset
    echo "prefix ready: $WINEPREFIX"
    exit 0 ;;
  --teardown)
    build=$(build_of "${2:?usage: scripts/wine-test.sh --teardown BUILD}")
    prefix=$(prefix_of "$build")
    [ "$(basename "$build")" = win32 ] && [ -z "${ZOL_WINE32_PREFIX:-}" ] && prefix=$root/build/wine32/prefix
    [ -d "$prefix" ] || exit 0
    WINEPREFIX=$prefix "$ZOL_WINESERVER" -k 2>/dev/null
    exit 0 ;;
esac

program=${1:?usage: scripts/wine-test.sh BUILD/bin/PROGRAM.exe [ARGS...]}
[ -f "$program" ] || { echo "no such program: $program"; exit 1; }
program=$(realpath "$program")
build=$(build_of "$program")
enter32 "$build" "$@"
shift
name=$(basename "$build")
test=$(basename "$program" .exe)
if [ "$name" = win ]; then shots=$root/build/screenshots; else shots=$root/build/screenshots/$name; fi
log_name=${ZOL_TEST_NAME:-$test}
logs=$root/build/logs

trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT
zol_xvfb_start || exit 1
zol_wine_init "$(prefix_of "$build")" || exit 1
work=$build/examples/devices
[ -d "$work" ] || { echo "no example descriptions in $work (build the target zol_example_devices)"; exit 1; }
mkdir -p "$shots" "$logs/gtest"
export ZOL_SCREENSHOT_DIR GTEST_OUTPUT
ZOL_SCREENSHOT_DIR=$(zol_winpath "$shots")
GTEST_OUTPUT="xml:$(zol_winpath "$logs/gtest/$log_name.xml")"
rm -f "$logs/gtest/$log_name.xml"

# The time limit (ZOL_TEST_TIMEOUT, 1500 s by default), times ZOL_TIME_SCALE where
# scripts/with-wine32.sh emulates the programs.
limit=${ZOL_TEST_TIMEOUT:-1500}
[ -n "${ZOL_WINE32_NAMESPACE:-}" ] && limit=$((limit * ${ZOL_TIME_SCALE:-1}))
log=$logs/$log_name.log
run_program() {
  (cd "$work" && timeout --kill-after=20 "$limit" env -u ZOLSRV_HOME "$ZOL_WINE" "$program" "$@" >"$log" 2>&1 </dev/null)
  rc=$?
  hung=0
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then hung=1; echo "$test: ended after its time limit of $limit s" >>"$log"; fi
  # The description loader's lines of every window start say nothing here.
  grep -av -e $'^Start reading configuration files\r*$' -e '^Reading config file' "$log"
}
run_program "$@"
# A program under Wine now and then waits for ever on a cross-process COM call that the
# server has long answered (seen with 32-bit programs natively and, more often, under qemu,
# and rarely with 64-bit ones): a hang, never a wrong result. Such a run alone is run once
# more, and says so with the case it hung in; any other failure stands, and so does a
# second hang.
hung_case() {
  tr -d '\r' <"$log" | awk '/^\[ RUN      \]/ { c = $4 } /^\[       OK \]|^\[  FAILED  \]/ { c = "" } END { print c }'
}
if [ $hung = 1 ]; then
  echo "retried: the program hung in $(hung_case) (Wine's lost cross-process call); running it once more"
  cp "$log" "${log%.log}.hung.log"
  zol_wine_reset >/dev/null 2>&1
  run_program "$@"
  [ $hung = 1 ] && echo "hung again in $(hung_case)"
fi

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $rc
