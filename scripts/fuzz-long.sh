#!/usr/bin/env bash
# The long fuzzing run of the description reader, its lint and the register table's round
# trip: scripts/fuzz.sh for SECONDS (default 3600), with its log kept in
# build/fuzz/fuzz-long.log and a summary of executions and crashes at the end. One process;
# on a shared machine run it as `nice -n 10 scripts/fuzz-long.sh`. ZOL_FUZZ_BUILD_DIR gives
# it a build folder of its own, so that the bounded runs of the test command can go on beside it.
#
#   scripts/fuzz-long.sh [SECONDS]
set -uo pipefail

# The whole script is one function, read before it runs: bash reads a script as it goes,
# and a checkout or an edit of this file during the hour would otherwise make it go on at
# the old offset in the new text (it once ran the fuzzer a second time over the first log).
main() {
  local seconds=${1:-3600}
  local root build log status executions crashes
  root=$(cd "$(dirname "$0")/.." && pwd)
  build=${ZOL_FUZZ_BUILD_DIR:-$root/build/fuzz}
  mkdir -p "$build"
  log=$build/fuzz-long.log

  "$root/scripts/fuzz.sh" "$seconds" >"$log" 2>&1
  status=$?

  executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  crashes=$(ls "$build/artifacts" 2>/dev/null | grep -c -E '^(crash|leak|timeout|oom)-' || true)
  echo "fuzzed ${seconds}s: ${executions:-?} executions, exit status $status, ${crashes} crash artifact(s) in $build/artifacts"
  echo "log: $log"
  return $status
}

main "$@"
exit
