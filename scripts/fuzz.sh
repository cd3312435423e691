#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build/fuzz and runs one
# of them for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [dsc|tagfile|history]     default 60 s, the description reader
#
#   dsc      the description reader and checksum, the lint and the register table's round
#            trip; corpus seeded from examples/devices/*.txt and tests/fuzz/roundtrip-crash.bin
#   tagfile  the tag-file reader and writer; corpus seeded with a few tag files
#   history  the journal reader, snapshot names and headers, and the restore plan over them;
#            corpus seeded with a journal and a snapshot
#
# Corpora live in build/fuzz/corpus[-tagfile|-history]; crash inputs land in build/fuzz/artifacts/.
# Exits non-zero when the fuzzer finds a crash, a sanitizer report or a broken invariant
# (or when the build fails).
set -euo pipefail

seconds=${1:-60}
target=${2:-dsc}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOL_FUZZ_BUILD_DIR:-$root/build/fuzz}
artifacts=$build/artifacts

case $target in
  dsc) exe=dsc_reader_fuzz; corpus=$build/corpus; dict=$root/tests/fuzz/dsc.dict; max_len=16384 ;;
  tagfile) exe=tagfile_reader_fuzz; corpus=$build/corpus-tagfile; dict=$root/tests/fuzz/tagfile.dict; max_len=4096 ;;
  history) exe=history_fuzz; corpus=$build/corpus-history; dict=$root/tests/fuzz/history.dict; max_len=4096 ;;
  *) echo "usage: scripts/fuzz.sh [SECONDS] [dsc|tagfile|history]" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$build" -G Ninja -DZOL_FUZZ=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "$exe"

mkdir -p "$corpus" "$artifacts"
if [ "$target" = dsc ]; then
  cp -n "$root"/examples/devices/*.txt "$corpus"/ 2>/dev/null || true
  # Inputs the fuzzer once failed on run first in every run.
  cp "$root"/tests/fuzz/roundtrip-crash.bin "$corpus"/
elif [ "$target" = history ]; then
  printf '20261208-102503-zolctl-2.csv\n\xef\xbb\xbf# zolctl 0.917.40;2026-12-08T10:25:03+03:00;devices 1;tags 2\r\n# port COM3 19200 8 none 1\r\ndevice;address;type;param;name;period_ms\r\nPM3F;5;1;14;PM3F(005).Frequency;2000\r\nPM3F;5;1;2;"a;""b""";0\r\n;5;1;0;bad;x\r\n' >"$corpus/seed-snapshot.csv"
  printf '\xef\xbb\xbftime;user;computer;program;action;type;address;param;name;before;after;result\r\n2026-12-08T10:25:03+03:00;ivan;PC;zolctl 0.917.40;zolctl add;1;5;14;PM3F(005).Frequency;2000;500;ok\r\n2026-12-08T10:25:04+03:00;ivan;PC;zolcfg;"Port";;;;;COM1 9600 8 none 1;COM3 19200 8 odd 1;0x80004005\r\ncut' >"$corpus/seed-journal.csv"
else
  printf '\xef\xbb\xbfdevice;address;type;param;name;period_ms\r\nPM3F;5;1;14;PM3F(005).Frequency;2000\r\n' >"$corpus/seed-utf8.csv"
  printf 'device,address,type,param,name,period_ms\n\xd1\xf7,12,7,3,"a,""b""",0\n# c\n\n,1,1,1,,1.5\n' >"$corpus/seed-1251.csv"
  printf 'period_ms\tparam\ttype\taddress\n1\t2\t3\t4\n1\t2\t3\t4\n2\t2\t3\t4\n"open\n' >"$corpus/seed-tab.csv"
fi

echo "fuzzing $exe for ${seconds}s"
"$build/tests/fuzz/$exe" \
    -max_total_time="$seconds" \
    -max_len="$max_len" \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -dict="$dict" \
    -artifact_prefix="$artifacts/" \
    -print_final_stats=1 \
    "$corpus"
