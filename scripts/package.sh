#!/usr/bin/env bash
# Builds the user packages into build/dist/ from the two Windows builds:
#   zolcfg-0.917-win32.zip   the 32-bit programs, the proxy/stub with its registration scripts,
#   zolcfg-0.917-win64.zip   the example descriptions and README.txt (64-bit: the same, 64-bit)
#   zolcfg-0.917-setup.exe   installer (NSIS) of what the 32-bit zip holds
#   zolcfg-0.917.msi         Windows Installer package of the same (scripts/make-msi.sh)
# Each holds the user's guide, guide/index.html with its pictures (scripts/guide.sh).
# The programs are stripped; nothing of the tests or the stand-in server goes in.
# Usage: scripts/package.sh [--no-build] [--sign CERT.pfx [--timestamp URL]]
#   --no-build   use build/win and build/win32 as they are
#   --sign       sign every program and DLL of both bitnesses, the installer, its
#                uninstaller and the MSI with the certificate (scripts/sign.sh; its password,
#                if any, in ZOL_SIGN_PASSWORD); --timestamp adds a time stamp from that
#                RFC 3161 service. Without --sign nothing is signed.
# ZOL_DIST: where the packages go (build/dist when unset).
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

build=1
sign_cert="" timestamp=""
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0 ;;
    --sign) [ $# -ge 2 ] || { echo "package: --sign needs the certificate (.pfx)" >&2; exit 2; }
            sign_cert=$(realpath "$2"); shift ;;
    --timestamp) [ $# -ge 2 ] || { echo "package: --timestamp needs the service's URL" >&2; exit 2; }
                 timestamp=$2; shift ;;
    *) echo "usage: scripts/package.sh [--no-build] [--sign CERT.pfx [--timestamp URL]]" >&2; exit 2 ;;
  esac
  shift
done
[ -n "$timestamp" ] && [ -z "$sign_cert" ] && { echo "package: --timestamp without --sign" >&2; exit 2; }
if [ -n "$sign_cert" ]; then
  [ -f "$sign_cert" ] || { echo "package: $sign_cert: no such file" >&2; exit 1; }
  export ZOL_SIGN_CERT=$sign_cert ZOL_SIGN_TIMESTAMP=$timestamp
fi
# sign FILE...: signed when --sign was given, else left as they are
sign() { [ -z "$sign_cert" ] || scripts/sign.sh "$@"; }

[ "$build" = 0 ] || scripts/build.sh all
scripts/guide.sh
# The version the programs carry (0.917.N, set when the builds were configured).
version=$(cat build/win32/version.txt 2>/dev/null || true)
[ -n "$version" ] && [ "$version" = "$(cat build/win/version.txt 2>/dev/null)" ] || {
  echo "package: build/win and build/win32 are missing or of different versions: run scripts/build.sh win" >&2
  exit 1
}
# The MSI's own version follows from it (scripts/make-msi.sh): a version that does not fit
# one Windows Installer can hold stops the packaging before anything is written.
scripts/make-msi.sh --product-version "$version" >/dev/null || exit 1

dist=${ZOL_DIST:-$root/build/dist}
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
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
  sign "$dir"/*.exe "$dir"/*.dll
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
  # The publisher Programs and Features shows: the MSI's, defined in its .wxs.
  local publisher
  publisher=$(sed -n 's/^<?define Publisher = "\(.*\)"?>$/\1/p' packaging/zolcfg.wxs)
  local defines=(-DVERSION="$version" -DSTAGE="$dir" -DFILES="$files" -DOUTFILE="$out" -DPUBLISHER="$publisher")
  [ -n "$target" ] && defines+=(-DTARGET="$target")
  # makensis signs the uninstaller before it goes into the installer, and then the installer.
  [ -n "$sign_cert" ] && defines+=(-DSIGN="$root/scripts/sign.sh")
  makensis -V2 -INPUTCHARSET UTF8 "${defines[@]}" packaging/zolcfg.nsi >"$stage/makensis-$1.log" 2>&1 || {
    cat "$stage/makensis-$1.log" >&2; return 1; }
  echo "$out: $(stat -c %s "$out") bytes"
}

stage_package win32 build/win32 i686-w64-mingw32 32
stage_package win64 build/win x86_64-w64-mingw32 64
make_zip win32
make_zip win64
make_setup win32 "$dist/zolcfg-$release-setup.exe"
msi=$dist/zolcfg-$release.msi
scripts/make-msi.sh "$stage/win32/zolcfg-$release-win32" "$version" "$msi"
sign "$msi"
echo "$msi: $(stat -c %s "$msi") bytes"
if [ -n "${ZOL_SETUP_TARGET:-}" ]; then
  make_setup "${ZOL_SETUP_ARCH:-win64}" "${ZOL_SETUP_OUT:?ZOL_SETUP_OUT: where to write the installer}" "$ZOL_SETUP_TARGET"
fi
