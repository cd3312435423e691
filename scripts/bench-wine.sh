#!/usr/bin/env bash
# Runs a Windows benchmark program of bench/ under Wine, on a virtual display when there is
# no display, in the project's prefix:
#   scripts/bench-wine.sh startup_bench title         zolcfg.exe: process start to title
#   scripts/bench-wine.sh startup_bench fill [TAGS]   start to filled tree vs bare EnumTags walk
#   scripts/bench-wine.sh dialog_bench addtags [N]    opening the add-tags dialog, N parameters
#   scripts/bench-wine.sh dialog_bench delete [N]     deleting a device with N tags
#   scripts/bench-wine.sh com_roundtrip               one IAddTags call over COM vs in-process
#   scripts/bench-wine.sh search_bench 20 10          auto-search: total time, responsiveness, stop
#   scripts/bench-wine.sh zolctl_bench export [TAGS]  zolctl export vs bare EnumTags walk
#   scripts/bench-wine.sh zolctl_bench import [ROWS]  zolctl import vs bare AddTag calls
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
program=${1:?usage: scripts/bench-wine.sh PROGRAM [ARGS...]}
shift
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT
zol_xvfb_start
zol_wine_init "$root/build/win/prefix"
zol_wine "$root/build/win/bin/$program.exe" "$@"
