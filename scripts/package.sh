#!/usr/bin/env bash
# Builds the user packages into build/dist/ from the two Windows builds:
#   zolcfg-0.917-win32.zip   the 32-bit programs, the proxy/stub with its registration scripts,
#   zolcfg-0.917-win64.zip   the example descriptions and README.txt (64-bit: the same, 64-bit)
#   zolcfg-0.917-setup.exe   installer (NSIS) of what the 32-bit zip holds
# Each holds the user's guide, guide/index.html with its pictures (scripts/guide.sh).
# The programs are stripped; nothing of the tests or the stand-in server goes in.
# Usage: scripts/package.sh [--no-build]    (--no-build: use build/win and build/win32 as they are)
#
# ZOL_SETUP_TARGET (e.g. amd64-unicode) and ZOL_SETUP_ARCH (win64) also build the installer
# with another stub and payload into ZOL_SETUP_OUT: the installation test does that on
# machines that cannot run 32-bit programs. Not a user package.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

release=0.917
# The programs users get, taken from each build's bin/. A program of the second list goes in
# when the build has it.
programs=(zolcfg.exe dsctool.exe)
programs_when_built=(zolctl.exe)

[ "${1:-}" = --no-build ] || scripts/build.sh all
scripts/guide.sh
# The version the programs carry (0.917.N, set when the builds were configured).
version=$(cat build/win32/version.txt 2>/dev/null || true)
[ -n "$version" ] && [ "$version" = "$(cat build/win/version.txt 2>/dev/null)" ] || {
  echo "package: build/win and build/win32 are missing or of different versions: run scripts/build.sh win" >&2
  exit 1
}

dist=$root/build/dist
stage=$dist/stage
rm -rf "$stage"
mkdir -p "$stage" "$dist"

crlf() { sed -e 's/\r$//' -e 's/$/\r/'; }

# stage_package ARCH BUILDDIR MINGW BITS: build/dist/stage/ARCH/zolcfg-0.917-ARCH/
stage_package() {
  local arch=$1 bindir=$2/bin mingw=$3 bits=$4
  local dir=$stage/$arch/zolcfg-$release-$arch
  mkdir -p "$dir"
  local p
  for p in "${programs[@]}" zolps.dll; do
    [ -f "$bindir/$p" ] || { echo "package: $bindir/$p is missing (build first)" >&2; return 1; }
    "$mingw-strip" --strip-all -o "$dir/$p" "$bindir/$p"
  done
  for p in "${programs_when_built[@]}"; do
    [ -f "$bindir/$p" ] && "$mingw-strip" --strip-all -o "$dir/$p" "$bindir/$p"
  done
  cp "$2"/examples/devices/*.dsc "$dir/"
  mkdir -p "$dir/guide"
  cp build/guide/* "$dir/guide/"
  # Texts for Windows: README in UTF-8 with a byte-order mark (Notepad then shows it right
  # whatever the system's locale), the scripts' messages in the console's code page (866),
  # every line ending in CR LF.
  { printf '\xEF\xBB\xBF'; sed "s/@VERSION@/$version/" packaging/README.txt.in | crlf; } >"$dir/README.txt"
  for p in register-proxy unregister-proxy; do
    sed "s/@BITS@/$bits/g" "packaging/$p.cmd.in" | iconv -f UTF-8 -t CP866 | crlf >"$dir/$p.cmd"
  done
}

# make_zip ARCH: build/dist/zolcfg-0.917-ARCH.zip with one top folder
make_zip() {
  local zip=$dist/zolcfg-$release-$1.zip
  rm -f "$zip"
  (cd "$stage/$1" && TZ=UTC zip -q -X -r "$zip" "zolcfg-$release-$1")
  echo "$zip: $(stat -c %s "$zip") bytes"
}

# make_setup ARCH OUTFILE [TARGET]
make_setup() {
  local dir=$stage/$1/zolcfg-$release-$1 out=$2 target=${3:-}
  local files=$stage/$1/files.nsh
  # The guide's folder: made before its files are installed, removed after they are.
  (cd "$dir" && for f in *; do [ -f "$f" ] && printf '${ZolFile} "%s"\n' "$f"; done
   echo '${ZolDirBefore} "guide"'
   for f in guide/*; do printf '${ZolFile} "%s"\n' "${f//\//\\}"; done
   echo '${ZolDirAfter} "guide"') >"$files"
  local defines=(-DVERSION="$version" -DSTAGE="$dir" -DFILES="$files" -DOUTFILE="$out")
  [ -n "$target" ] && defines+=(-DTARGET="$target")
  makensis -V2 -INPUTCHARSET UTF8 "${defines[@]}" packaging/zolcfg.nsi >"$stage/makensis-$1.log" 2>&1 || {
    cat "$stage/makensis-$1.log" >&2; return 1; }
  echo "$out: $(stat -c %s "$out") bytes"
}

stage_package win32 build/win32 i686-w64-mingw32 32
stage_package win64 build/win x86_64-w64-mingw32 64
make_zip win32
make_zip win64
make_setup win32 "$dist/zolcfg-$release-setup.exe"
if [ -n "${ZOL_SETUP_TARGET:-}" ]; then
  make_setup "${ZOL_SETUP_ARCH:-win64}" "${ZOL_SETUP_OUT:?ZOL_SETUP_OUT: where to write the installer}" "$ZOL_SETUP_TARGET"
fi
