#!/usr/bin/env bash
# Builds the Windows Installer package of a staged folder with wixl (msitools) from
# packaging/zolcfg.wxs: every file of STAGE into Program Files\zolcfg (guide/ into its
# subfolder), per machine, with the Start-menu shortcut.
#   scripts/make-msi.sh STAGE VERSION OUT.msi
# VERSION is the programs' (0.917.N). The product code follows from it (a name-based UUID in
# the UpgradeCode's namespace): the same version gives the same code, each other version
# another, as a major upgrade needs. scripts/package.sh calls this; the package test also
# builds an older version with it.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: scripts/make-msi.sh STAGE VERSION OUT.msi" >&2; exit 2; }
stage=$(cd "$1" && pwd) version=$2 out=$(realpath -m "$3")
cd "$(dirname "$0")/.."
wxs=$PWD/packaging/zolcfg.wxs

# define NAME: the text the .wxs defines (<?define NAME = "TEXT"?>)
define() { sed -n "s/^<?define $1 = \"\(.*\)\"?>\$/\1/p" "$wxs"; }
product=$(define ProductName)
downgrade=$(define DowngradeMessage)
[ -n "$product" ] && [ -n "$downgrade" ] || { echo "make-msi: the texts are not defined in $wxs" >&2; exit 1; }

upgrade_code=$(sed -n 's/^ *UpgradeCode="\([0-9A-F-]*\)"$/\1/p' "$wxs")
[ -n "$upgrade_code" ] || { echo "make-msi: no UpgradeCode in $wxs" >&2; exit 1; }
product_code=$(/usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), "zolcfg " + sys.argv[2])).upper())' \
                 "$upgrade_code" "$version")

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
(cd "$work" && LC_ALL=C.UTF-8 wixl -a x86 -D Version="$version" -D ProductCode="$product_code" -D Stage=stage -o "$work/out.msi" "$wxs" files.wxs) >"$work/wixl.log" 2>&1 || {
  cat "$work/wixl.log" >&2; exit 1; }

# wixl 0.101 leaves the database without a code page and so drops every text that is not
# ASCII: the database gets Windows-1251 and the Russian texts are written again.
printf '\r\n\r\n1251\t_ForceCodepage\r\n' >"$work/_ForceCodepage.idt"
sql() { printf '%s' "$1" | sed "s/'/''/g"; }
msibuild "$work/out.msi" -i "$work/_ForceCodepage.idt" \
  -q "UPDATE \`Property\` SET \`Value\` = '$(sql "$product")' WHERE \`Property\` = 'ProductName'" \
  -q "UPDATE \`Shortcut\` SET \`Name\` = '$(sql "$product")' WHERE \`Shortcut\` = 'StartMenuShortcut'" \
  -q "UPDATE \`LaunchCondition\` SET \`Description\` = '$(sql "$downgrade")' WHERE \`Condition\` = 'NOT WIX_DOWNGRADE_DETECTED'"
mv "$work/out.msi" "$out"
