#!/usr/bin/env bash
# Dialog timings on the real controls under Wine (see bench/dialog_bench.cpp):
#   scripts/bench-dialogs.sh addtags [PARAMS]  opening the add-tags dialog
#   scripts/bench-dialogs.sh delete [TAGS]     deleting a device with TAGS tags
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/wine-env.sh
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT
zol_xvfb_start
zol_wine_init "$root/build/win/prefix"
zol_wine "$root/build/win/bin/dialog_bench.exe" "$@"
