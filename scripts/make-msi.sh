#!/usr/bin/env bash
# Builds the Windows Installer package of a staged folder with wixl (msitools) from
# packaging/zolcfg.wxs: every file of STAGE into Program Files\zolcfg (guide/ into its
# subfolder), per machine, with the Start-menu shortcut.
#   scripts/make-msi.sh STAGE VERSION OUT.msi
#   scripts/make-msi.sh --product-version VERSION   prints the package's version, builds nothing
# VERSION is the programs' (0.917.N); the package's ProductVersion is 4.(N div 65536).(N mod
# 65536), as the .wxs explains beside the UpgradeCode, and Programs and Features shows VERSION.
# A VERSION that does not map onto a version Windows Installer can hold is refused (exit 1).
# The product code follows from the package's version (a name-based UUID in the
# UpgradeCode's namespace): the same version gives the same code, each other version
# another, as a major upgrade needs. scripts/package.sh calls this; the package test also
# builds other versions with it.
set -euo pipefail
usage() { echo "usage: scripts/make-msi.sh STAGE VERSION OUT.msi | --product-version VERSION" >&2; exit 2; }

# product_version VERSION: the ProductVersion of the programs' VERSION. Windows Installer
# keeps major.minor.build in 8, 8 and 16 bits and compares them as one number: the build
# count N goes into minor and build as one 24-bit number, the major stays 4.
release=0.917 major=4
product_version() {
  local n re="^${release//./[.]}[.](0|[1-9][0-9]{0,7})\$"
  [[ $1 =~ $re ]] || {
    echo "make-msi: $1: not a version $release.N of the programs (another release needs its own place beside the UpgradeCode)" >&2
    return 1; }
  n=${BASH_REMATCH[1]}
  [ "$n" -le 16777215 ] || { echo "make-msi: $1: the build number is above 16777215, which no MSI version $major.x.y holds" >&2; return 1; }
  printf '%d.%d.%d\n' "$major" $((n / 65536)) $((n % 65536))
}

if [ "${1:-}" = --product-version ]; then
  [ $# -eq 2 ] || usage
  product_version "$2"
  exit
fi
[ $# -eq 3 ] || usage
stage=$(cd "$1" && pwd) version=$2 out=$(realpath -m "$3")
msi_version=$(product_version "$version") || exit 1
cd "$(dirname "$0")/.."
wxs=$PWD/packaging/zolcfg.wxs

# define NAME: the text the .wxs defines (<?define NAME = "TEXT"?>)
define() { sed -n "s/^<?define $1 = \"\(.*\)\"?>\$/\1/p" "$wxs"; }
product=$(define ProductName)
downgrade=$(define DowngradeMessage)
[ -n "$product" ] && [ -n "$downgrade" ] || { echo "make-msi: the texts are not defined in $wxs" >&2; exit 1; }

upgrade_code=$(sed -n 's/^ *UpgradeCode="\([0-9A-F-]*\)"$/\1/p' "$wxs")
[ -n "$upgrade_code" ] || { echo "make-msi: no UpgradeCode in $wxs" >&2; exit 1; }
# name_uuid NAME: a UUID of NAME in the UpgradeCode's namespace
name_uuid() { /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$upgrade_code" "$1"; }
# The packages numbered 0.917.N had the codes of "zolcfg 0.917.N": "zolcfg 4.x.y" never
# gives one of those.
product_code=$(name_uuid "zolcfg $msi_version")
# The component of the version Programs and Features shows: its own per product, as its
# registry key is the product's.
arp_component=$(name_uuid "zolcfg arp $msi_version")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# files.wxs: a component a file, its identifier from the file's name (MSI identifiers take
# letters, digits, "_" and "."); zolcfg.exe is the .wxs's own component, with the shortcut.
ident() { printf '%s_%s' "$1" "$(printf '%s' "$2" | tr -c 'A-Za-z0-9_.' '_')"; }
component() {  # component PREFIX DIRNAME FILE
  local id
  id=$(ident "$1" "$3")
  printf '      <Component Id="c%s" Guid="*"><File Id="%s" Name="%s" Source="%s" KeyPath="yes"/></Component>\n' \
    "$id" "$id" "$3" "stage/$2$3"
}
{
  echo '<?xml version="1.0" encoding="utf-8"?>'
  echo '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">'
  echo '  <Fragment>'
  echo '    <DirectoryRef Id="INSTALLDIR">'
  for f in "$stage"/*; do
    name=$(basename "$f")
    [ -f "$f" ] && [ "$name" != zolcfg.exe ] && component f "" "$name"
  done
  echo '    </DirectoryRef>'
  echo '    <DirectoryRef Id="GUIDEDIR">'
  for f in "$stage"/guide/*; do component g guide/ "$(basename "$f")"; done
  echo '    </DirectoryRef>'
  echo '    <ComponentGroup Id="Files">'
  for f in "$stage"/*; do
    name=$(basename "$f")
    [ -f "$f" ] && [ "$name" != zolcfg.exe ] && printf '      <ComponentRef Id="c%s"/>\n' "$(ident f "$name")"
  done
  for f in "$stage"/guide/*; do printf '      <ComponentRef Id="c%s"/>\n' "$(ident g "$(basename "$f")")"; done
  echo '    </ComponentGroup>'
  echo '  </Fragment>'
  echo '</Wix>'
} >"$work/files.wxs"

# wixl reads the sources relative to its working folder.
ln -s "$stage" "$work/stage"
(cd "$work" && LC_ALL=C.UTF-8 wixl -a x86 -D Version="$msi_version" -D DisplayVersion="$version" -D ProductCode="$product_code" -D ArpComponent="$arp_component" -D Stage=stage -o "$work/out.msi" "$wxs" files.wxs) >"$work/wixl.log" 2>&1 || {
  cat "$work/wixl.log" >&2; exit 1; }

# wixl 0.101 leaves the database without a code page and so drops every text that is not
# ASCII: the database gets Windows-1251 and the Russian texts are written again.
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
sql() { printf '%s' "$1" | sed "s/'/''/g"; }
msibuild "$work/out.msi" -i "$work/_ForceCodepage.idt" \
  -q "UPDATE \`Property\` SET \`Value\` = '$(sql "$product")' WHERE \`Property\` = 'ProductName'" \
  -q "UPDATE \`Shortcut\` SET \`Name\` = '$(sql "$product")' WHERE \`Shortcut\` = 'StartMenuShortcut'" \
  -q "UPDATE \`LaunchCondition\` SET \`Description\` = '$(sql "$downgrade")' WHERE \`Condition\` = 'NOT WIX_DOWNGRADE_DETECTED'"
# The programs' version replaces the package's in Programs and Features only when written
# after the product's registration, which wixl's sequence does before it: WriteRegistryValues
# moves to just after RegisterProduct.
register=$(msiinfo export "$work/out.msi" InstallExecuteSequence | tr -d '\r' | awk -F'\t' '$1 == "RegisterProduct" { print $3 }')
[ -n "$register" ] || { echo "make-msi: no RegisterProduct in the sequence" >&2; exit 1; }
msibuild "$work/out.msi" \
  -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = $((register + 1)) WHERE \`Action\` = 'WriteRegistryValues'"
mv "$work/out.msi" "$out"
