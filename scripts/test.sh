#!/usr/bin/env bash
# Runs every test of the project through CTest and prints one summary; exits non-zero if
# anything failed or nothing ran. On a fresh Debian 12 machine it first installs what it needs.
#
#   1. end to end (label e2e): the README's run command, first, as on a fresh clone: it
#      builds what the run needs (scripts/build.sh run) and starts zolcfg.exe against the
#      stand-in server
#   2. the builds the tests need besides: the rest of the native and both Windows builds,
#      the 32-bit test programs and the sanitizer build; each build folder's time is printed
#      and goes into the summary
#   3. one ctest over every build (build/CTestTestfile.cmake lists them), two at a time:
#      native unit tests (native) and the same under ASan/UBSan (asan), the fuzzers for a
#      bounded time (fuzz), the Windows tests under Wine of both bitnesses (wine64, wine32:
#      the test programs split by suites, mixed bitness, the start-up ratio), the guide and
#      the packages (package). The tests of one Wine prefix take turns.
#
# One suite alone: ctest --test-dir build/win -L wine64 -R History (see the README).
# Reports: build/logs/*.xml (JUnit, from CTest), build/logs/gtest/*.xml (GoogleTest), the
# output of each Windows test in build/logs/TEST.log. A test that cannot run here exits
# with 77 and says why; the summary lists it as skipped with that reason.
#
# Environment: ZOL_FUZZ_SECONDS (default 45), ZOL_TAGFILE_FUZZ_SECONDS (20),
# ZOL_HISTORY_FUZZ_SECONDS (15); ZOL_SKIP_SANITIZE=1 leaves out the sanitizer build.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# shellcheck source=scripts/deps.sh
source scripts/deps.sh
# What the mirror cannot give is listed with apt's reason and its tests are skipped; only
# the run command's own packages are needed for anything to run.
zol_install_packages || { echo "FAILED: could not install the packages every build needs"; exit 1; }
# Without it only the 32-bit tests are skipped, with the reason scripts/with-wine32.sh gives.
zol_install_qemu || echo "qemu-user 8 or later could not be installed: the 32-bit tests will say why they are skipped"

logs=$root/build/logs
junit_e2e=$logs/ctest-e2e.xml
junit=$logs/ctest.xml
build_times=$logs/build-times.txt
summary() {
  python3 scripts/test-summary.py "$junit_e2e" "$junit" --gtest "$logs/gtest" --builds "$build_times" \
    --unavailable "$ZOL_APT_UNAVAILABLE"
}
# The "built DIR ... in N s" lines of scripts/build.sh, of the run command's build and ours.
collect_build_times() {
  { sed -n 's/^built /run command: built /p' "$logs/run-build.log" 2>/dev/null
    sed -n 's/^built /test command: built /p' "$logs/build.log" 2>/dev/null; } >"$build_times"
}

# 1. The run command builds what it needs itself: only the native build is configured first,
# for CTest to find the test.
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
rm -rf "$logs/gtest" "$junit_e2e" "$junit" "$build_times" "$logs/run-build.log" "$logs/build.log"
mkdir -p "$logs"
echo "== end to end"
ctest --test-dir build/native -L e2e --output-on-failure --output-junit "$junit_e2e" 2>&1 | tee "$logs/ctest-e2e.log" | grep -E '^ *[0-9]+/[0-9]+ Test|tests passed'

# 2. What the run command did not build.
echo "== build"
builds=(native win win32)
{
  scripts/build.sh all &&
  scripts/build.sh win32-tests wine32_tests &&
  if [ "${ZOL_SKIP_SANITIZE:-0}" != 1 ]; then scripts/build.sh asan; fi
} >"$logs/build.log" 2>&1 || {
  tail -40 "$logs/build.log"
  collect_build_times
  summary
  echo "FAILED: the build (build/logs/build.log)"
  exit 1
}
collect_build_times
sed 's/^/  /' "$build_times"
[ "${ZOL_SKIP_SANITIZE:-0}" != 1 ] && builds+=(asan)
if grep -hE '(warning|error):' "$logs/build.log" "$logs/run-build.log" 2>/dev/null | grep -q .; then
  echo "build warnings:"; grep -hE '(warning|error):' "$logs/build.log" "$logs/run-build.log" | head -20
fi

# 3. One ctest over all builds.
printf 'subdirs("%s")\n' "${builds[@]}" >build/CTestTestfile.cmake
echo "== tests: ctest --test-dir build -LE e2e -j2 (log: build/logs/ctest.log)"
ctest --test-dir build -LE e2e -j2 --output-on-failure --output-junit "$junit" >"$logs/ctest.log" 2>&1
grep -E '^ *[0-9]+/[0-9]+ Test .*(wine|fuzz|package|Failed|Timeout|Not Run|\*\*\*)' "$logs/ctest.log"
grep -E 'tests passed|Total Test time' "$logs/ctest.log"
echo "  logs: $logs, screenshots: $root/build/screenshots, packages: $root/build/dist"
summary
