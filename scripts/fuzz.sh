#!/usr/bin/env bash
# Builds the description-reader fuzz target with clang (libFuzzer, ASan, UBSan) in
# build/fuzz and runs it for a bounded time.
#
#   scripts/fuzz.sh [SECONDS]      default 60
#
# The corpus lives in build/fuzz/corpus and is seeded from examples/devices/*.txt; crash
# inputs land in build/fuzz/artifacts/. Exits non-zero when the fuzzer finds a crash, a
# sanitizer report or a broken invariant (or when the build fails).
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOL_FUZZ_BUILD_DIR:-$root/build/fuzz}
corpus=$build/corpus
artifacts=$build/artifacts

cmake -S "$root" -B "$build" -G Ninja -DZOL_FUZZ=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target dsc_reader_fuzz

mkdir -p "$corpus" "$artifacts"
cp -n "$root"/examples/devices/*.txt "$corpus"/ 2>/dev/null || true

echo "fuzzing the description reader for ${seconds}s"
"$build/tests/fuzz/dsc_reader_fuzz" \
    -max_total_time="$seconds" \
    -max_len=16384 \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -dict="$root/tests/fuzz/dsc.dict" \
    -artifact_prefix="$artifacts/" \
    -print_final_stats=1 \
    "$corpus"
