#!/usr/bin/env bash
# Tests the user packages of build/dist (scripts/package.sh --no-build first):
#   1. each package holds exactly the expected files: the programs of its bitness, stripped,
#      self-contained, without build paths, importing only what Windows 7 SP1 has (the
#      reviewed list packaging/allowed-imports.txt); README.txt in UTF-8 with a byte-order
#      mark and CR LF; no test program and no stand-in server;
#   2. what Windows shows of each program: processor, version information, manifest (with
#      asInvoker on every program: no elevation, no redirection of writes);
#   3. register-proxy.cmd / unregister-proxy.cmd of the 64-bit zip under Wine;
#   4. the installer, silently under Wine: installed files and shortcut, the installed
#      program started through its shortcut against the stand-in (title and tree), silent
#      uninstall, nothing left behind; Program Files stored as a REG_EXPAND_SZ, as some
#      systems keep it, must still give the expanded folder;
#   5. a file the installer cannot write: a non-zero exit code, and nothing left behind (no
#      file, no shortcut, no uninstall entry);
#   6. the user's guide (guide/index.html and its pictures, as scripts/guide.sh built them in
#      build/guide) in both zips, in the installer and in the installed folder; the
#      uninstaller removes it (checked in 4).
# The installer is a 32-bit program: run this through scripts/with-wine32.sh where the kernel
# runs no 32-bit programs. Where Wine cannot run them at all, steps 4 and 5 install the same
# NSIS script built with the 64-bit stub around the 64-bit programs, and say so.
# Exit code non-zero when anything failed; the last line counts the checks.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
release=0.917
version=$(cat build/win32/version.txt 2>/dev/null)
dist=$root/build/dist
work=$root/build/pkgtest
passed=0
failed=0

check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
same() {  # same DESCRIPTION EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); return 0; fi
  failed=$((failed + 1))
  echo "FAILED: $1"; diff <(echo "$2") <(echo "$3") | sed 's/^/  /'
  return 1
}

# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT

rm -rf "$work"
mkdir -p "$work"

# The files each package must hold, apart from the example descriptions.
expected_files() {  # expected_files BINDIR
  local f
  {
    printf '%s\n' README.txt dsctool.exe register-proxy.cmd unregister-proxy.cmd zolcfg.exe zolps.dll
    [ -f "$1/zolctl.exe" ] && echo zolctl.exe
    for f in examples/devices/*.txt; do basename "$f" .txt | sed 's/$/.dsc/'; done
  } | sort
}

check "the builds' version is $release.N ($version)" grep -qE "^$release\.[0-9]+$" <<<"$version"

# ---- 6: the user's guide, beside the programs in every package
guide=$root/build/guide
guide_files=$(cd "$guide" 2>/dev/null && ls | sort)
check "the guide was built (build/guide/index.html and its pictures)" \
  bash -c "[ -f '$guide/index.html' ] && ls '$guide' | grep -q '\.png$'"
# guide_same WHERE DIR: DIR holds exactly the guide's files, each the same as the build's
guide_same() {
  same "$1: the guide's files" "$guide_files" "$(cd "$2" 2>/dev/null && ls | sort)"
  local f
  for f in $guide_files; do check "$1: guide/$f as built" cmp -s "$guide/$f" "$2/$f"; done
}
guide_installed() { guide_same "installed" "$1/guide"; }
echo "== the guide in the packages"
for arch in win32 win64; do
  zip=$dist/zolcfg-$release-$arch.zip
  [ -f "$zip" ] || continue
  rm -rf "$work/guide-$arch"
  unzip -q "$zip" "zolcfg-$release-$arch/guide/*" -d "$work/guide-$arch" 2>/dev/null
  guide_same "$arch zip" "$work/guide-$arch/zolcfg-$release-$arch/guide"
done
if [ -f "$dist/zolcfg-$release-setup.exe" ]; then
  same "setup: the guide's files" "$(echo "$guide_files" | sed 's|^|guide/|')" \
    "$(7z l -ba -slt "$dist/zolcfg-$release-setup.exe" | sed -n 's/^Path = //p' | tr '\\' '/' | grep -o 'guide/.*' | sort)"
fi

# ---- 1 and 2: the zips
declare -A bindir=([win32]=build/win32/bin [win64]=build/win/bin)
declare -A objformat=([win32]=pei-i386 [win64]=pei-x86-64)
declare -A machine=([win32]=x86 [win64]=x64)
declare -A manifest=([win32]=x86 [win64]=amd64)
for arch in win32 win64; do
  zip=$dist/zolcfg-$release-$arch.zip
  echo "== $(basename "$zip")"
  [ -f "$zip" ] || { echo "FAILED: $zip missing"; failed=$((failed + 1)); continue; }
  top=zolcfg-$release-$arch
  listed=$(unzip -Z1 "$zip" | grep -v "^$top/guide/" | sort)  # the guide: block 6
  expected=$( (echo "$top/"; expected_files "${bindir[$arch]}" | sed "s|^|$top/|") | sort)
  same "$arch zip: contents" "$expected" "$listed"
  unzip -q "$zip" -d "$work/$arch"
  dir=$work/$arch/$top
  for f in "$dir"/*.exe "$dir"/*.dll; do
    name=$(basename "$f")
    check "$arch $name: $(objdump -f "$f" | grep -o 'file format .*')" grep -q "file format ${objformat[$arch]}$" <(objdump -f "$f")
    check "$arch $name: debug sections" bash -c "! objdump -h '$f' | grep -q '\.debug'"
    check "$arch $name: symbol table" bash -c "objdump -t '$f' | grep -q 'no symbols'"
    check "$arch $name: needs a MinGW runtime DLL" bash -c "! objdump -p '$f' | grep -iE 'DLL Name: (libstdc|libgcc|libwinpthread)'"
    check "$arch $name: holds a build path" bash -c "! grep -qaF '$root' '$f'"
    check "$arch $name: imports only what Windows 7 SP1 has" scripts/check-imports.sh "$f"
  done
  # COM and regsvr32 look the proxy/stub's functions up by their plain names; a 32-bit
  # build would otherwise export the decorated stdcall names (DllGetClassObject@12).
  same "$arch zolps.dll: exports" "$(printf '%s\n' DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)" \
    "$(objdump -p "$dir/zolps.dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)"
  check "$arch README.txt: every line ends in CR LF" bash -c "! grep -qv \$'\\r\$' '$dir/README.txt'"
  same "$arch README.txt: starts with the UTF-8 byte-order mark" "efbbbf" "$(head -c3 "$dir/README.txt" | od -An -tx1 | tr -d ' \n')"
  same "$arch README.txt: UTF-8 text of packaging/README.txt.in" \
    "$(sed "s/@VERSION@/$version/" packaging/README.txt.in)" "$(tail -c +4 "$dir/README.txt" | iconv -f UTF-8 -t UTF-8 | tr -d '\r')"
  for f in "$dir"/*.cmd; do
    check "$arch $(basename "$f"): every line ends in CR LF" bash -c "! grep -qv \$'\\r\$' '$f'"
  done
  bits=${arch#win}
  check "$arch register-proxy.cmd: looks at the $bits-bit registry view" grep -q "/reg:$bits" "$dir/register-proxy.cmd"
  for f in "$dir"/*.dsc; do
    check "$arch $(basename "$f"): same as the build's" cmp -s "$f" "${bindir[$arch]}/../examples/devices/$(basename "$f")"
  done
done

# ---- the installer's contents, as 7-Zip lists them
setup=$dist/zolcfg-$release-setup.exe
echo "== $(basename "$setup")"
if [ -f "$setup" ]; then
  listed=$(7z l -ba -slt "$setup" | sed -n 's/^Path = //p' | grep -v '^\$PLUGINSDIR' | tr '\\' '/' | grep -v 'guide/' | sort)
  same "setup: contents" "$( (expected_files build/win32/bin; echo uninstall.exe) | sort)" "$(echo "$listed" | sed 's|.*/||' | sort)"
  check "setup: a 32-bit program" grep -q 'file format pei-i386$' <(objdump -f "$setup")
else
  echo "FAILED: $setup missing"; failed=$((failed + 1))
fi

# ---- what Windows shows of each program (a 64-bit Wine reads both kinds of file)
zol_xvfb_start || exit 1
zol_wine_init "${ZOL_WINE32_PREFIX:-$work/prefix}" || exit 1
info=$work/fileinfo.txt
zol_wine "$root/build/win/bin/zolfileinfo.exe" $(for arch in win32 win64; do
  for f in "$work/$arch/zolcfg-$release-$arch"/*.exe "$work/$arch/zolcfg-$release-$arch"/*.dll; do zol_winpath "$f"; done
done) "$(zol_winpath "$setup")" >"$info" 2>&1
# block FILE: the lines printed for one file
block() { awk -v f="$1" '/^file: /{on = index($0, f) > 0} on' "$info" | tr -d '\r'; }
for arch in win32 win64; do
  for f in "$work/$arch/zolcfg-$release-$arch"/*.exe "$work/$arch/zolcfg-$release-$arch"/*.dll; do
    name=$(basename "$f")
    b=$(block "zolcfg-$release-$arch\\$name")
    line() { echo "$b" | grep "^$1: " | sed "s/^$1: //"; }
    same "$arch $name: processor" "${machine[$arch]}" "$(line machine)"
    same "$arch $name: file version" "$version" "$(line FileVersion)"
    same "$arch $name: product version" "$version" "$(line ProductVersion)"
    same "$arch $name: fixed version" "$version.0" "$(line 'fixed file version')"
    same "$arch $name: product name" "Конфигуратор ZOL-OPC-Server" "$(line ProductName)"
    same "$arch $name: company" "" "$(line CompanyName)"
    same "$arch $name: original name" "$name" "$(line OriginalFilename)"
    check "$arch $name: a Russian description ($(line FileDescription))" env LC_ALL=C grep -qP '[\xd0\xd1][\x80-\xbf]' <(line FileDescription)  # Cyrillic in UTF-8
  done
  for name in zolcfg.exe zolctl.exe dsctool.exe; do
    [ -f "$work/$arch/zolcfg-$release-$arch/$name" ] || continue
    b=$(block "zolcfg-$release-$arch\\$name")
    same "$arch $name: manifest architecture" "${manifest[$arch]}" "$(echo "$b" | sed -n 's/^manifest architecture: //p')"
    same "$arch $name: manifest asks for the user's own rights" "asInvoker" \
      "$(echo "$b" | sed -n 's/^manifest execution level: //p')"
  done
done
b=$(block "$(basename "$setup")")
same "setup: product version" "$version" "$(echo "$b" | sed -n 's/^ProductVersion: //p')"

# ---- 3: the proxy/stub scripts of the 64-bit zip
echo "== register-proxy.cmd, unregister-proxy.cmd (64-bit zip)"
pkg=$work/win64/zolcfg-$release-win64
proxy_key='HKLM\Software\Classes\CLSID\{AA4051F2-2B17-4929-9215-7C3A179BBD56}\InprocServer32'
iface_key='HKLM\Software\Classes\Interface\{AA4051F2-2B17-4929-9215-7C3A179BBD56}\ProxyStubClsid32'
proxy_dll() { zol_wine reg query "$proxy_key" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }
no_key() { ! zol_wine reg query "$@" >/dev/null 2>&1; }  # no_key KEY [reg query options]
cmd_script() { zol_wine cmd /c "$(zol_winpath "$pkg/$1")" /s >/dev/null 2>&1; }
home=$work/server
zol_standin_seed examples/demo "$home"
zol_wine_register "$root/build/win/bin" "$home" >/dev/null
standin_proxy=$(proxy_dll)
check "the stand-in registered its proxy/stub" test -n "$standin_proxy"
cmd_script register-proxy.cmd
same "register-proxy.cmd leaves an existing registration alone" "$standin_proxy" "$(proxy_dll)"
cmd_script unregister-proxy.cmd
same "unregister-proxy.cmd leaves a registration of another folder alone" "$standin_proxy" "$(proxy_dll)"
zol_wine_unregister "$root/build/win/bin" >/dev/null
same "without the stand-in nothing is registered" "" "$(proxy_dll)"
cmd_script register-proxy.cmd
same "register-proxy.cmd registers the package's zolps.dll" "$(zol_winpath "$pkg/zolps.dll")" "$(proxy_dll)"
check "register-proxy.cmd registers the interface" zol_wine reg query "$iface_key" /ve >/dev/null 2>&1
cmd_script unregister-proxy.cmd
same "unregister-proxy.cmd removes it" "" "$(proxy_dll)"
check "unregister-proxy.cmd removes the interface" no_key "$iface_key" /ve

# ---- 4: silent installation and removal
echo "== silent installation"
if zol_wine32_usable; then
  installer=$setup; payload=win32; standin=$root/build/win32/bin; view=32; programfiles='Program Files (x86)'
else
  echo "Wine here cannot run 32-bit programs ($ZOL_WINE32_REASON):"
  echo "installing the same NSIS script built with the 64-bit stub around the 64-bit programs"
  installer=$work/zolcfg-$release-setup-amd64-test.exe; payload=win64; standin=$root/build/win/bin; view=64; programfiles='Program Files'
  ZOL_SETUP_TARGET=amd64-unicode ZOL_SETUP_ARCH=win64 ZOL_SETUP_OUT="$installer" \
    scripts/package.sh --no-build >"$work/package-amd64.log" 2>&1 || { cat "$work/package-amd64.log"; }
fi
snapshot() {  # the prefix's files and registry keys, less what Wine itself changes as it runs
  # The user's journal and snapshots (AppData\Local\zolcfg, written by the program while it
  # runs) are the user's record of changes: an uninstall keeps them on purpose.
  (cd "$WINEPREFIX/drive_c" && find . -path './users/*/Temp' -prune -o -path './windows/temp' -prune \
     -o -path './users/*/AppData/Local/zolcfg' -prune -o -print | sort)
  # [Console]: Wine's console settings, written when the first console program runs.
  grep -h '^\[' "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" | sed 's/ [0-9]*$//' | grep -v '^\[Console' | sort
}
# The installer's view of Program Files, stored as REG_EXPAND_SZ for the installation and
# put back as it was afterwards.
pf_key='HKLM\Software\Microsoft\Windows\CurrentVersion'
pf_stored=$(zol_wine reg query "$pf_key" /v ProgramFilesDir /reg:$view 2>/dev/null | tr -d '\r' |
            sed -nE 's/^ *ProgramFilesDir +(REG_[A-Z_]+) +(.*)$/\1 \2/p')
set_programfiles() { zol_wine reg add "$pf_key" /v ProgramFilesDir /t "$1" /d "$2" /reg:$view /f >/dev/null 2>&1; }
zol_wine_reset
zol_standin_seed examples/demo "$home"
zol_wine_register "$standin" "$home" >/dev/null
zol_wine_reset   # the registry reaches its files when the wineserver ends
before=$(snapshot)
check "Program Files stored as REG_EXPAND_SZ for the test" set_programfiles REG_EXPAND_SZ "%SystemDrive%\\$programfiles"
check "setup /S succeeds" zol_wine "$installer" /S
[ -n "$pf_stored" ] && set_programfiles "${pf_stored%% *}" "${pf_stored#* }"
instdir=$(zol_wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\zolcfg' /v InstallLocation 2>/dev/null |
          tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ -z "$instdir" ] && instdir=$(zol_wine reg query 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\zolcfg' \
                               /v InstallLocation 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
unix_instdir=$(zol_wine winepath -u "$instdir" 2>/dev/null | tr -d '\r')
same "installed into Program Files, the path expanded" "C:\\$programfiles\\zolcfg" "$instdir"
same "installed files" "$( (expected_files "${bindir[$payload]}"; echo uninstall.exe) | sort)" \
  "$(ls "$unix_instdir" 2>/dev/null | grep -vx guide | sort)"
guide_installed "$unix_instdir"
lnk="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Конфигуратор ZOL-OPC-Server.lnk"
check "Start-menu shortcut" test -f "$lnk"
title_prefix="Конфигуратор ZOL-OPC-Server версия"
zol_wine start /unix "$lnk" >/dev/null 2>&1
# The inspector reads the tree through the other process's memory: it must be of the same bitness.
inspect=$standin/zolinspect.exe
window=$(zol_wine "$inspect" --wait 180 "$title_prefix")  # an emulated 32-bit start is slow
echo "$window" | sed 's/^/  /'
same "installed program's title" "title: Конфигуратор ZOL-OPC-Server версия 0.917 от 17.04.2012" "$(echo "$window" | head -1 | tr -d '\r')"
# Device names come from the descriptions: the shortcut started it in the folder holding them.
check "tree names the demo devices from the descriptions" grep -q '^  PM3F(001)' <(echo "$window" | tr -d '\r')
zol_wine "$inspect" --close "$title_prefix" >/dev/null
"$ZOL_WINESERVER" -w
check "uninstall.exe /S succeeds" zol_wine "$unix_instdir/uninstall.exe" /S
"$ZOL_WINESERVER" -w   # the uninstaller finishes in a copy of itself
check "installation folder removed" test ! -e "$unix_instdir"
check "shortcut removed" test ! -e "$lnk"
zol_wine_reset
after=$(snapshot)
same "nothing left behind (files and registry keys)" "$before" "$after"
zol_wine_unregister "$standin" >/dev/null

# ---- 5: a file that cannot be written (a folder stands in its place in the installation folder)
echo "== installation that cannot write a file"
blocked=$WINEPREFIX/drive_c/$programfiles/zolcfg
rm -rf "$blocked"
mkdir -p "$blocked/zolps.dll"
zol_wine_reset
before=$(snapshot)
zol_wine "$installer" /S
rc=$?
check "setup /S fails when a file cannot be written (exit code $rc)" test "$rc" -ne 0
check "no shortcut" test ! -e "$lnk"
check "no uninstall entry" no_key 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\zolcfg' /reg:$view
same "the folder holds only what it held before" "zolps.dll" "$(ls "$blocked")"
zol_wine_reset
after=$(snapshot)
same "nothing left behind (files and registry keys)" "$before" "$after"
rm -rf "$blocked"

echo "package tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
