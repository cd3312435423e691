#!/usr/bin/env bash
# Runs Windows test programs of a build under Wine, one after another, each through
# scripts/wine-test.sh (display, prefix, working directory, reset afterwards). CTest runs
# the same programs, split by suites: `ctest --test-dir build/win -L wine64 -R History`.
#
#   scripts/win-tests.sh                          every program of build/win/win-tests.txt
#   scripts/win-tests.sh build/win32 [TEST...]    those of the 32-bit build (or only TEST...)
#
# GTEST_FILTER narrows each program to some suites. Screenshots go to build/screenshots
# (build/screenshots/win32 for the 32-bit build), logs to build/logs. Exit code: non-zero
# when any program failed or could not run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/win}
build=$root/${build#"$root"/}
[ $# -gt 0 ] && shift
tag=""
[ "$(basename "$build")" = win ] || tag="$(basename "$build")-"
if [ $# -gt 0 ]; then tests=$(printf '%s\n' "$@"); else tests=$(cat "$build/win-tests.txt" 2>/dev/null); fi

status=0
count=0
while read -r test; do
  [ -n "$test" ] || continue
  count=$((count + 1))
  echo "== $test"
  ZOL_TEST_NAME=$tag$test scripts/wine-test.sh "$build/bin/$test.exe"
  rc=$?
  if [ $rc -ne 0 ]; then
    echo "$test: exit code $rc"
    status=1
  fi
done <<<"$tests"

[ $count -gt 0 ] || { echo "no Windows test programs listed"; status=1; }
exit $status
