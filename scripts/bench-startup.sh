#!/usr/bin/env bash
# Start-up benchmarks of zolcfg.exe under Wine (see bench/startup_bench.cpp):
#   scripts/bench-startup.sh title        time from process start to the title
#   scripts/bench-startup.sh fill [TAGS]  time to a filled tree vs the bare EnumTags walk
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/wine-env.sh
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT
zol_xvfb_start
zol_wine_init "$root/build/win/prefix"
zol_wine "$root/build/win/bin/startup_bench.exe" "$@"
