#!/usr/bin/env bash
# Runs every test of the project and prints a summary; exits non-zero if anything failed
# or did not run. On a fresh Debian 12 machine it first installs what it needs.
#
#   1. end to end: the README's run command (scripts/run.sh --screenshot-only) as on a fresh
#      clone, which builds everything; zolcfg.exe's window checked and photographed
#   2. native unit tests (ctest)
#   3. the same unit tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   4. the fuzz targets (description reader, tag-file reader, history readers), each for a bounded time
#   5. the Windows tests under Wine, against the stand-in server through real COM
#   6. the 32-bit programs, through scripts/with-wine32.sh (natively, or emulated in a
#      namespace of their own where the kernel runs no 32-bit programs): the 32-bit build's
#      main-window, stand-in and serial tests under Wine, each build's zolcfg.exe against the
#      other's server, and the start-up time to the title of both builds in one run (each
#      skipped, and said so with the reason, where 32-bit programs cannot run)
#   7. the packages: built, their contents checked, the x86 installer run silently under
#      Wine (where 32-bit programs cannot run, the same script with the 64-bit stub, and the
#      x86 installer reported skipped)
#
# Environment: ZOL_FUZZ_SECONDS (default 45), ZOL_TAGFILE_FUZZ_SECONDS (default 20),
# ZOL_SKIP_SANITIZE=1 to skip step 3.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# shellcheck source=scripts/deps.sh
source scripts/deps.sh
zol_install_packages || { echo "FAILED: could not install the required packages"; exit 1; }
# Without it only the 32-bit steps are skipped, with the reason scripts/with-wine32.sh gives.
zol_install_qemu || echo "qemu-user 8 or later could not be installed: the 32-bit steps will say why they are skipped"

# The run command goes first, before anything here creates build/: on a clean clone (CI)
# it runs exactly as a new user's first command does.
echo "== end to end: scripts/run.sh --screenshot-only"
smoke_log=$(mktemp)
scripts/smoke.sh >"$smoke_log" 2>&1
smoke_status=$?

mkdir -p build/logs
mv "$smoke_log" build/logs/smoke.log
passed=0
failed=0
skipped=0
steps=()

# record NAME STATUS PASSED FAILED
record() {
  steps+=("$(printf '%-34s %s' "$1" "$2")")
  passed=$((passed + $3))
  failed=$((failed + $4))
}

# Counts from ctest's closing line: "NN% tests passed, F tests failed out of T".
ctest_counts() {
  local line total fails
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)
  if [ -z "$line" ]; then echo "0 1"; return; fi
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  fails=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
  echo "$((total - fails)) $fails"
}

run_ctest_step() {
  local name=$1 dir=$2 log
  log="build/logs/$(echo "$1" | tr -c 'A-Za-z0-9\n' '-').log"
  echo "== $name"
  if ctest --test-dir "$dir" --output-on-failure -j2 >"$log" 2>&1; then status=ok; else status=FAILED; fi
  tail -3 "$log"
  read -r p f < <(ctest_counts "$log")
  [ "$status" = FAILED ] && [ "$f" -eq 0 ] && f=1
  record "$name" "$status ($p passed, $f failed)" "$p" "$f"
}

if [ $smoke_status -eq 0 ]; then
  record "end to end: scripts/run.sh" "ok" 1 0
else
  tail -30 build/logs/smoke.log
  record "end to end: scripts/run.sh" "FAILED" 0 1
fi

echo "== build"
if ! scripts/build.sh all >build/logs/build.log 2>&1; then
  tail -40 build/logs/build.log
  echo "summary: 0 passed, 1 failed"
  exit 1
fi
# run.sh made the first build (its log) and this one only what it left out.
build_logs=(build/logs/build.log)
[ -f build/logs/run-build.log ] && build_logs+=(build/logs/run-build.log)
if grep -hE '(warning|error):' "${build_logs[@]}" >/dev/null; then
  echo "build warnings:"; grep -hE '(warning|error):' "${build_logs[@]}" | head -20
fi

run_ctest_step "native unit tests" build/native

if [ "${ZOL_SKIP_SANITIZE:-0}" != 1 ]; then
  echo "== sanitizers (build)"
  if cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOL_SANITIZE=ON >build/logs/asan-build.log 2>&1 &&
     cmake --build build/asan -j2 >>build/logs/asan-build.log 2>&1; then
    run_ctest_step "unit tests under ASan/UBSan" build/asan
  else
    tail -20 build/logs/asan-build.log
    record "unit tests under ASan/UBSan" "FAILED (build)" 0 1
  fi
fi

echo "== fuzz"
# fuzz_step NAME TARGET SECONDS
fuzz_step() {
  local log=build/logs/fuzz-$2.log
  if [ ! -x scripts/fuzz.sh ]; then
    record "$1" "FAILED (scripts/fuzz.sh missing)" 0 1
  elif scripts/fuzz.sh "$3" "$2" >"$log" 2>&1; then
    record "$1" "ok ($(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' | tail -1) runs)" 1 0
  else
    tail -30 "$log"
    record "$1" "FAILED" 0 1
  fi
}
fuzz_step "fuzz: description reader" dsc "${ZOL_FUZZ_SECONDS:-45}"
fuzz_step "fuzz: tag file reader" tagfile "${ZOL_TAGFILE_FUZZ_SECONDS:-20}"
fuzz_step "fuzz: history readers" history "${ZOL_HISTORY_FUZZ_SECONDS:-15}"

echo "== Windows tests under Wine"
scripts/win-tests.sh >build/logs/win-tests.log 2>&1
win_status=$?
grep -E '^(\[  (PASSED|FAILED)  \]|== )' build/logs/win-tests.log
wp=$(grep -Eo '^\[  PASSED  \] [0-9]+' build/logs/win-tests.log | awk '{s += $NF} END {print s + 0}')
wf=$(grep -E '^\[  FAILED  \] .* \([0-9]+ ms\)' build/logs/win-tests.log | wc -l)
[ -z "$wp" ] && wp=0
if [ $win_status -ne 0 ] && [ "$wf" -eq 0 ]; then wf=1; fi
[ "$wp" -eq 0 ] && [ "$wf" -eq 0 ] && wf=1
if [ $win_status -eq 0 ]; then ws=ok; else ws=FAILED; tail -40 build/logs/win-tests.log; fi
record "Windows tests (Wine)" "$ws ($wp passed, $wf failed)" "$wp" "$wf"

# ---- the user's guide, its pictures the screenshots the Windows tests have just saved
echo "== user's guide"
if scripts/guide.sh --no-tests >build/logs/guide.log 2>&1; then
  tail -2 build/logs/guide.log
  record "user's guide (pictures, links)" ok 1 0
else
  tail -20 build/logs/guide.log
  record "user's guide (pictures, links)" FAILED 0 1
fi

# ---- 32-bit programs: natively where the kernel runs them, else emulated by
# scripts/with-wine32.sh in a namespace of their own. One prefix for all of them, created once.
# The test programs: app_tests (start-up, tree, commands, journey, the main window's other
# suites), the stand-in server and the serial enumeration: what differs between the
# bitnesses (record sizes, pointers in messages, the proxy/stub of the 32-bit build). The
# dialog suites add little there and would double the build.
# Emulated, each step is bounded in time, and the prefix's processes are ended after it.
w32_limit() { case $1 in tests) echo 1500 ;; mixed) echo 600 ;; startup) echo 400 ;; packages) echo 900 ;; esac; }
w32() {  # w32 STEP COMMAND...
  local limit
  limit=$(w32_limit "$1"); shift
  timeout --kill-after=20 "$limit" scripts/with-wine32.sh "$@"
  local rc=$?
  [ $rc -eq 124 ] && echo "timed out after $limit s"
  WINEPREFIX=$root/build/wine32/prefix "$ZOL_WINESERVER" -k 2>/dev/null
  return $rc
}
# record_counts NAME LOG STATUS P F SECONDS: a step from its exit status and "P passed, F
# failed"; a failed status counts at least one failure, and so does a step that counted nothing.
record_counts() {
  local name=$1 log=$2 rc=$3 p=${4:-0} f=${5:-0} secs=$6 st
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  [ "$p" -eq 0 ] && [ "$f" -eq 0 ] && f=1
  if [ "$rc" -eq 0 ]; then st=ok; else st=FAILED; tail -40 "$log"; fi
  record "$name" "$st ($p passed, $f failed; ${secs} s)" "$p" "$f"
}
gtest_counts() {  # gtest_counts LOG: "P F" from GoogleTest's closing lines
  local p f
  p=$(grep -Eo '^\[  PASSED  \] [0-9]+' "$1" | awk '{s += $NF} END {print s + 0}')
  f=$(grep -E '^\[  FAILED  \] .* \([0-9]+ ms\)' "$1" | wc -l)
  echo "${p:-0} $f"
}

echo "== 32-bit Windows programs"
t0=$SECONDS
source scripts/wine-env.sh   # ZOL_WINESERVER
w32_answer=$(scripts/with-wine32.sh --check 2>build/logs/wine32-check.log | tail -1)
case "$w32_answer" in "ok: emulated"*) w32_answer=ok ;; esac
if [ "$w32_answer" = ok ]; then
  echo "32-bit programs run here; the prefix was ready after $((SECONDS - t0)) s"
  t0=$SECONDS
  if scripts/build.sh win32-tests app_tests standin_win_tests serial_win_tests startup_bench >build/logs/win32-build.log 2>&1; then
    echo "32-bit test programs built in $((SECONDS - t0)) s"
    t0=$SECONDS
    # Under emulation every process starts in seconds: app_tests leaves out the suites that
    # show nothing of the bitness - the description-files dialog over thousands of files,
    # the message texts of every refusal code, the stopped import of 5,000 rows, the tree's
    # mirror and the progress window's timing - which would add three minutes.
    GTEST_FILTER='-DescriptionFilesDialog.*:KnownAndUnknownCodes/*:TagFileTest.StopDuringAnImportOfFiveThousandRows:TreeMirrorTest.*:FillProgressTest.*' \
      w32 tests scripts/win-tests.sh build/win32 app_tests standin_win_tests serial_win_tests >build/logs/win32-tests.log 2>&1
    rc=$?
    grep -E '^(\[  (PASSED|FAILED)  \]|== )' build/logs/win32-tests.log
    read -r p f < <(gtest_counts build/logs/win32-tests.log)
    record_counts "Windows tests, 32-bit (Wine)" build/logs/win32-tests.log $rc "$p" "$f" $((SECONDS - t0))
  else
    tail -30 build/logs/win32-build.log
    record "Windows tests, 32-bit (Wine)" "FAILED (build)" 0 1
  fi

  t0=$SECONDS
  w32 mixed scripts/mixed-bitness.sh >build/logs/mixed-bitness.log 2>&1
  rc=$?
  grep -E '^(ok|FAILED|== )' build/logs/mixed-bitness.log
  read -r p f < <(sed -nE 's/^mixed bitness: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' build/logs/mixed-bitness.log)
  record_counts "mixed bitness (Wine)" build/logs/mixed-bitness.log $rc "$p" "$f" $((SECONDS - t0))

  # Start-up to the title, both builds in one run. Under emulation the 32-bit time is
  # qemu's, not the program's: the ratio then says nothing of Windows.
  t0=$SECONDS
  w32 startup scripts/bench-wine.sh --both startup_bench title >build/logs/startup-bitness.log 2>&1
  rc=$?
  ratio=$(grep '^median start to title' build/logs/startup-bitness.log)
  echo "$ratio"
  if [ $rc -eq 0 ] && [ -n "$ratio" ]; then
    note=""
    grep -q 'under emulation' build/logs/startup-bitness.log && note=", 32-bit emulated: says nothing of Windows"
    record "start-up to title, 32 vs 64-bit" "ok (${ratio#median start to title: }$note; $((SECONDS - t0)) s)" 1 0
  else
    tail -20 build/logs/startup-bitness.log
    record "start-up to title, 32 vs 64-bit" "FAILED" 0 1
  fi
else
  w32_reason=${w32_answer#not run: }
  [ -n "$w32_reason" ] || w32_reason="scripts/with-wine32.sh --check failed: $(tail -1 build/logs/wine32-check.log)"
  echo "skipped: $w32_reason"
  record "Windows tests, 32-bit (Wine)" "SKIPPED: $w32_reason" 0 0
  record "mixed bitness (Wine)" "SKIPPED: the same" 0 0
  record "start-up to title, 32 vs 64-bit" "SKIPPED: the same" 0 0
  skipped=$((skipped + 3))
fi

# ---- packages
echo "== packages"
if scripts/package.sh --no-build >build/logs/package.log 2>&1; then
  cat build/logs/package.log
  t0=$SECONDS
  if [ "$w32_answer" = ok ]; then
    w32 packages scripts/package-test.sh >build/logs/package-test.log 2>&1
  else
    scripts/package-test.sh >build/logs/package-test.log 2>&1
  fi
  pk_status=$?
  grep -E '^(FAILED|== |Wine here)' build/logs/package-test.log
  read -r pp pf < <(sed -nE 's/^package tests: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' build/logs/package-test.log)
  record_counts "packages (contents, installer)" build/logs/package-test.log $pk_status "$pp" "$pf" $((SECONDS - t0))
  if grep -q '^Wine here cannot run 32-bit programs' build/logs/package-test.log; then
    record "x86 installer (Wine)" "SKIPPED: ${w32_reason:-Wine here cannot run 32-bit programs}; the 64-bit stub was installed instead" 0 0
    skipped=$((skipped + 1))
  fi
else
  tail -30 build/logs/package.log
  record "packages (contents, installer)" "FAILED (scripts/package.sh)" 0 1
fi

echo
echo "== summary"
for s in "${steps[@]}"; do echo "  $s"; done
echo "  logs: $root/build/logs, screenshots: $root/build/screenshots, packages: $root/build/dist"
echo "summary: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
