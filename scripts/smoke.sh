#!/usr/bin/env bash
# End to end: starts zolcfg.exe as a user would (scripts/run.sh --screenshot-only, on a
# virtual display, against the stand-in server with the demo configuration) and checks
# what it shows: the title, the device nodes of the demo tags, the description loader's
# lines on standard output, and the screenshot.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

fail() { echo "smoke: $*"; exit 1; }

# run.sh may be the first to create build/ (a fresh clone): its output goes to a temporary
# file first.
run_log=$(mktemp)
env -u DISPLAY scripts/run.sh --screenshot-only >"$run_log" 2>&1
run_status=$?
mkdir -p build/logs && mv "$run_log" build/logs/smoke-run.log
cat build/logs/smoke-run.log
[ $run_status -eq 0 ] || fail "run.sh failed"

out=build/demo/zolcfg.out
window=build/demo/window.txt
grep -qx 'Start reading configuration files' "$out" || fail "no loader start line on standard output"
for f in build/demo/work/*.dsc; do
  name=$(basename "$f")
  grep -qxF "Reading config file '$name'...." "$out" || fail "no reading line for $name"
done
grep -qxF 'title: Конфигуратор ZOL-OPC-Server версия 0.917 от 17.04.2012' "$window" || fail "wrong title"
# Every device of the demo tags.txt shows as a root node "Name(address)".
expected=$(awk '!/^#/ && NF >= 3 {print $1, $2}' build/demo/server/tags.txt | sort -u | wc -l)
roots=$(grep -cE '^  [^ ].*\([0-9]{3}\)$' "$window")
[ "$roots" -eq "$expected" ] || fail "expected $expected device nodes, the tree shows $roots"
shot=build/screenshots/run-main-window.png
[ -s "$shot" ] || fail "no screenshot"
echo "smoke: ok ($roots device nodes; screenshot $root/$shot)"
