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
#      uninstaller removes it (checked in 4);
#   7. what a plant's IT checks in every program and DLL of both bitnesses
#      (scripts/check-pe.py): ASLR with relocations, DEP, high-entropy addresses for 64-bit,
#      no section both writable and executable, imports only from known DLLs (comctl32
#      through the manifest), no signature; the builds' programs carry stack protection and
#      the _FORTIFY_SOURCE checks;
#   8. the MSI: its tables (msiinfo: Property, Upgrade, Registry, Shortcut, File), its version
#      within what Windows Installer holds (the programs' 0.917.N mapped by
#      scripts/make-msi.sh: every later build greater, a version beyond the mapping refused),
#      and under Wine's msiexec the silent installation (files, shortcut, Programs and
#      Features entry with the programs' version), the major upgrade from a package numbered
#      0.917.N as before the mapping and from this one to the next version (one product
#      left, with the new files), an older package refused over a newer one, the silent
#      removal (nothing left behind);
#   9. signing (scripts/package.sh --sign with a throwaway certificate made by openssl):
#      osslsigncode verify accepts every program and DLL of both zips, the installer, its
#      uninstaller and the MSI; the packages built without --sign are signed nowhere.
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
    check "$arch $name: needs a MinGW runtime DLL" bash -c "! objdump -p '$f' | grep -iE 'DLL Name: (libstdc|libgcc|libwinpthread|libssp)'"
    check "$arch $name: holds a build path" bash -c "! grep -qaF '$root' '$f'"
    check "$arch $name: imports only what Windows 7 SP1 has" scripts/check-imports.sh "$f"
    check "$arch $name: ASLR, DEP, no writable code, only known DLLs, unsigned" scripts/check-pe.py --unsigned "$f"
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
# Windows has the uninstall keys of both registry views from the start; the prefix of a Wine
# without its 32-bit part lacks the 32-bit view's, which the first 32-bit package would then
# make. Made here as Windows has them, the "nothing left behind" checks judge only what the
# packages wrote (a key a package leaves under them still shows).
for v in 32 64; do
  zol_wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /reg:$v /f >/dev/null 2>&1
done
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
# Programs and Features: publisher (the MSI's), version, the guide as the help link, and the
# size in KB of what was installed (each file's size rounded down, so within a KB a file).
nsis_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\zolcfg"
nsis_value() { zol_wine reg query "$nsis_key" /v "$1" /reg:$view 2>/dev/null | tr -d '\r' | sed -nE "s/^ *$1 +REG_[A-Z_]+ +//p"; }
same "Programs and Features: publisher" "$(sed -n 's/^<?define Publisher = "\(.*\)"?>$/\1/p' packaging/zolcfg.wxs)" "$(nsis_value Publisher)"
same "Programs and Features: version" "$version" "$(nsis_value DisplayVersion)"
same "Programs and Features: the guide as the help link" "$instdir\\guide\\index.html" "$(nsis_value HelpLink)"
installed_kb=$(find "$unix_instdir" -type f -printf '%s\n' | awk '{ s += $1 } END { print int(s / 1024) }')
installed_files=$(find "$unix_instdir" -type f | grep -c .)
estimated_kb=$(( $(nsis_value EstimatedSize) ))
check "Programs and Features: size $estimated_kb KB, installed $installed_kb KB" \
  test "$estimated_kb" -gt 0 -a "$estimated_kb" -le "$installed_kb" -a "$estimated_kb" -ge "$((installed_kb - installed_files))"
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

# ---- 7: stack protection and _FORTIFY_SOURCE in the programs as built (before stripping)
echo "== stack protection, _FORTIFY_SOURCE"
declare -A nm=([win32]=i686-w64-mingw32-nm [win64]=x86_64-w64-mingw32-nm)
# The unstripped programs' symbols show them (a 32-bit name has one underscore more).
# _FORTIFY_SOURCE turns a call into a checked one only where the compiler knows the buffer's
# size: some program of each build has one.
for arch in win32 win64; do
  fortified=""
  for name in zolcfg.exe zolctl.exe dsctool.exe; do
    f=${bindir[$arch]}/$name
    [ -f "$f" ] || continue
    symbols=$("${nm[$arch]}" "$f" 2>/dev/null)
    check "$arch $name: stack protection (-fstack-protector-strong)" grep -qE ' T _{2,3}stack_chk_fail$' <<<"$symbols"
    grep -qE ' T _{2,3}(memcpy|memmove|memset|strcpy|strcat|strncpy|strncat|sprintf|snprintf|vsprintf|vsnprintf)_chk$' <<<"$symbols" &&
      fortified+=" $name"
  done
  check "$arch: _FORTIFY_SOURCE's checked calls (in:${fortified:- none})" test -n "$fortified"
done

# ---- 8: the MSI
msi=$dist/zolcfg-$release.msi
echo "== $(basename "$msi")"
upgrade_code={$(sed -n 's/^ *UpgradeCode="\([0-9A-F-]*\)"$/\1/p' packaging/zolcfg.wxs)}
product="Конфигуратор ZOL-OPC-Server"
# table MSI NAME: the rows of a table, tab-separated, without msiinfo's three header lines
table() { msiinfo export "$1" "$2" 2>/dev/null | tail -n +4 | tr -d '\r'; }
property() { table "$1" Property | awk -F'\t' -v p="$2" '$1 == p { print $2 }'; }
# msi_dword VERSION MODE: the number Windows Installer compares for a product's version:
# major, minor and build in 8, 8 and 16 bits. A field too large for its bits is cut to them
# ("cut", as Wine does) or carried into the fields above ("carry", as a plain shift and OR
# does); within the limits the two agree.
msi_dword() {
  /usr/bin/python3 -c '
import sys
major, minor, build = (int(x) for x in sys.argv[1].split("."))
if sys.argv[2] == "cut":
    major, minor, build = major & 0xFF, minor & 0xFF, build & 0xFFFF
print((major << 24) | (minor << 16) | build)' "$1" "$2"
}
within_limits() {  # within_limits VERSION: major.minor.build, at most 255.255.65535
  /usr/bin/python3 -c '
import re, sys
m = re.fullmatch(r"(\d+)\.(\d+)\.(\d+)", sys.argv[1])
sys.exit(0 if m and int(m[1]) <= 255 and int(m[2]) <= 255 and int(m[3]) <= 65535 else 1)' "$1"
}
product_version() { scripts/make-msi.sh --product-version "$1" 2>/dev/null; }
echo "== the MSI's version"
msi_version=$(product_version "$version")
check "msi: the programs' $version maps onto a package version ($msi_version)" test -n "$msi_version"
check "msi: $msi_version within Windows Installer's limits (255.255.65535)" within_limits "$msi_version"
# Each build's package greater than the one before, across the limits of the fields; every
# one greater than whatever Windows Installer made of the packages numbered 0.917.N before.
old_highest=$(( $(msi_dword "$release.65535" carry) > $(msi_dword "$release.65535" cut) ?
                $(msi_dword "$release.65535" carry) : $(msi_dword "$release.65535" cut) ))
ordered() {  # ordered A B: both within the limits, A below B
  within_limits "$1" && within_limits "$2" && [ "$(msi_dword "$1" cut)" -lt "$(msi_dword "$2" cut)" ]
}
for n in 0 319 65535 131071 16777214; do
  a=$(product_version "$release.$n") b=$(product_version "$release.$((n + 1))")
  check "msi: $release.$n ($a) below $release.$((n + 1)) ($b), both within the limits" ordered "$a" "$b"
done
lowest=$(product_version "$release.0")
check "msi: $release.0 ($lowest) above the old numbering's $release.65535 read either way" \
  bash -c "[ -n '$lowest' ] && [ $(msi_dword "${lowest:-0.0.0}" cut) -gt $old_highest ]"
# What does not fit is refused, by the package's build too: no file.
for bad in "$release.16777216" 0.918.1 "$release" "$release.01"; do
  check "make-msi refuses the version $bad" bash -c "! scripts/make-msi.sh --product-version '$bad' >/dev/null 2>&1"
done
rm -f "$work/refused.msi"
scripts/make-msi.sh "$dist/stage/win32/zolcfg-$release-win32" "$release.16777216" "$work/refused.msi" >/dev/null 2>&1
rc=$?
check "make-msi refuses to build $release.16777216 (exit code $rc, no file)" test "$rc" -ne 0 -a ! -e "$work/refused.msi"
if [ -f "$msi" ]; then
  check "msi: UpgradeCode fixed ($upgrade_code)" test "$upgrade_code" != "{}"
  same "msi: UpgradeCode" "$upgrade_code" "$(property "$msi" UpgradeCode)"
  same "msi: per machine (ALLUSERS)" "1" "$(property "$msi" ALLUSERS)"
  same "msi: ProductVersion, the programs' $version mapped" "$msi_version" "$(property "$msi" ProductVersion)"
  same "msi: ProductName" "$product" "$(property "$msi" ProductName)"
  check "msi: a publisher" test -n "$(property "$msi" Manufacturer)"
  check "msi: a product code" grep -qE '^\{[0-9A-F-]{36}\}$' <<<"$(property "$msi" ProductCode)"
  check "msi: a 32-bit package (Intel)" bash -c "msiinfo suminfo '$msi' | grep -q '^Template: Intel;'"
  # A major upgrade: older versions of the product are removed (the row without OnlyDetect,
  # below this version), a newer one stops the installation (OnlyDetect, from above it).
  same "msi: Upgrade table" \
    "$(printf '%s\t\t%s\t\t1\t\tWIX_UPGRADE_DETECTED\n%s\t%s\t\t\t2\t\tWIX_DOWNGRADE_DETECTED\n' "$upgrade_code" "$msi_version" "$upgrade_code" "$msi_version" | sort)" \
    "$(table "$msi" Upgrade | sort)"
  # Programs and Features shows the programs' version: a value the package writes over the
  # one the installer's registration of the product wrote, so after it.
  same "msi: Registry (the programs' version as DisplayVersion of the product's uninstall key)" \
    "$(printf '2\tSoftware\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\[ProductCode]\tDisplayVersion\t%s\tArpVersion' "$version")" \
    "$(table "$msi" Registry | cut -f2-6)"
  sequence() { table "$msi" InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
  check "msi: WriteRegistryValues ($(sequence WriteRegistryValues)) after RegisterProduct ($(sequence RegisterProduct))" \
    test "$(sequence WriteRegistryValues)" -gt "$(sequence RegisterProduct)"
  check "msi: RemoveExistingProducts is sequenced" bash -c "msiinfo export '$msi' InstallExecuteSequence | grep -q '^RemoveExistingProducts'"
  same "msi: Shortcut (Start menu, zolcfg.exe, starting in the installation folder)" \
    "$(printf 'StartMenuShortcut\tProgramMenuFolder\t%s\tZolcfgExe\t[#zolcfg.exe]\tINSTALLDIR' "$product")" \
    "$(table "$msi" Shortcut | awk -F'\t' -v OFS='\t' '{ print $1, $2, $3, $4, $5, $12 }')"
  same "msi: files" "$( (expected_files build/win32/bin; echo "$guide_files") | sort)" \
    "$(table "$msi" File | cut -f3 | sort)"
  # Windows Installer computes the size Programs and Features shows from the File table's
  # sizes (Wine's msiexec writes 0 there instead).
  msi_stage=$dist/stage/win32/zolcfg-$release-win32
  same "msi: the File table's sizes, the size Programs and Features shows" \
    "$( (cd "$msi_stage" && find . -type f -printf '%f\t%s\n') | sort)" "$(table "$msi" File | cut -f3,4 | sort)"
else
  echo "FAILED: $msi missing"; failed=$((failed + 1))
fi

# The products Windows Installer holds for the UpgradeCode, and the Programs and Features
# entries named as the product (both registry views: where a 32-bit package's entry goes
# depends on the system).
uninstall_keys='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
arp_entries() {
  local v
  for v in 32 64; do
    zol_wine reg query "$uninstall_keys" /s /reg:$v 2>/dev/null | tr -d '\r\0' |
      awk -v v=$v '/^HKEY/ { key = $0 } $1 == "DisplayName" && index($0, "ZOL-OPC-Server") { print v, key }'
  done | sort -u -k2
}
# The prefix as snapshot() gives it, less Windows Installer's own store, which its first run
# makes and which stays, as on Windows: the cache folder and the registry keys that hold one
# subkey a product (anything a product leaves in them still shows).
msi_snapshot() {
  snapshot | grep -vxF -e './windows/Installer' \
    -e '[Software\\Classes\\Installer\\Features]' -e '[Software\\Classes\\Installer\\Products]' \
    -e '[Software\\Classes\\Installer\\UpgradeCodes]' \
    -e '[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes]' \
    -e '[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components]' \
    -e '[Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products]' \
    -e '[Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards]'   # Wine's, made again as it likes
}
arp_value() {  # arp_value "VIEW KEY" NAME
  zol_wine reg query "${1#* }" /v "$2" /reg:"${1%% *}" 2>/dev/null | tr -d '\r\0' | sed -nE "s/^ *$2 +REG_[A-Z_]+ +//p"
}
msi_log() { echo "  (msiexec's log: $work/$1.log)"; }
# msi_property LOG PROPERTY: a property as msiexec resolved it (from its verbose log, UTF-16
# or UTF-8); msi_folder LOG PROPERTY: a folder property as a Linux path. Wine resolves
# ProgramMenuFolder to the user's Start menu even per machine, where Windows takes the
# all-users one: the test follows the installer.
msi_property() {
  /usr/bin/python3 -c '
import sys
data = open(sys.argv[1], "rb").read()
text = data.decode("utf-16") if data[:2] in (b"\xff\xfe", b"\xfe\xff") else data.decode("utf-8", "replace")
for line in text.splitlines():
    if line.startswith("Property(S): %s = " % sys.argv[2]):
        print(line.split(" = ", 1)[1].strip())
        break' "$1" "$2" 2>/dev/null
}
msi_folder() {
  local dir
  dir=$(msi_property "$1" "$2")
  [ -n "$dir" ] && zol_wine winepath -u "$dir" 2>/dev/null | tr -d '\r'
}
# lnk_fields FILE: the shortcut's target (its local path) and working folder, a line each
lnk_fields() {
  /usr/bin/python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
at = 0x4C
if flags & 0x01:                      # HasLinkTargetIDList
    at += 2 + struct.unpack_from("<H", data, at)[0]
target = ""
if flags & 0x02:                      # HasLinkInfo: the local base path
    size, header, info_flags, _, base = struct.unpack_from("<IIIII", data, at)
    if info_flags & 1:
        target = data[at + base:data.index(b"\0", at + base)].decode("latin-1")
    at += size
unicode = flags & 0x80
def string():
    global at
    count = struct.unpack_from("<H", data, at)[0]
    width = 2 if unicode else 1
    text = data[at + 2:at + 2 + count * width].decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
    at += 2 + count * width
    return text
fields = {}
for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "arguments"), (0x40, "icon")):
    if flags & bit:
        fields[name] = string()
print("target: " + target)
print("working folder: " + fields.get("workdir", ""))' "$1" 2>/dev/null
}
if [ -f "$msi" ]; then
  echo "== the MSI under msiexec: installation, upgrades, removal"
  # msi_stage_copy NAME TEXT: the packaged files, README.txt saying TEXT
  msi_stage_copy() {
    rm -rf "$work/$1"
    cp -r "$dist/stage/win32/zolcfg-$release-win32" "$work/$1"
    echo "$2" >"$work/$1/README.txt"
  }
  # msi_install NAME MSI: msiexec /i silently, its log in $work/NAME.log
  msi_install() { zol_wine msiexec /i "$(zol_winpath "$2")" /qn /l*v "$(zol_winpath "$work/$1.log")" || { msi_log "$1"; return 1; }; }
  installed_readme() { tr -d '\r' <"$msi_instdir/README.txt" 2>/dev/null; }

  # A package as built before the version mapping: the programs' own 0.917.N as
  # ProductVersion and in the Upgrade table, the product code of "zolcfg 0.917.N", no
  # value of its own in Programs and Features. Its files are this build's, with README.txt
  # of its own and a file that the newer version no longer has. Even of the same build
  # number it must count as older.
  old_version=$version
  msi_stage_copy msi-old "old $old_version"
  echo "only in $old_version" >"$work/msi-old/removed-later.txt"
  old_msi=$work/zolcfg-$old_version-old-numbering.msi
  old_code={$(/usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), "zolcfg " + sys.argv[2])).upper())' \
              "${upgrade_code//[\{\}]/}" "$old_version")}
  # old_numbering_msi STAGE VERSION CODE OUT: this build's package of STAGE, numbered VERSION
  # (the Upgrade table's versions are part of its key: the table is imported again).
  old_numbering_msi() {
    local q='`'
    scripts/make-msi.sh "$1" "$version" "$4" &&
    msiinfo export "$4" Upgrade | sed "s/\t${msi_version//./\\.}\t/\t$2\t/" >"$work/Upgrade.idt" &&
    msibuild "$4" -i "$work/Upgrade.idt" \
      -q "UPDATE ${q}Property$q SET ${q}Value$q = '$2' WHERE ${q}Property$q = 'ProductVersion'" \
      -q "UPDATE ${q}Property$q SET ${q}Value$q = '$3' WHERE ${q}Property$q = 'ProductCode'" \
      -q "DELETE FROM ${q}Registry$q" \
      -q "DELETE FROM ${q}FeatureComponents$q WHERE ${q}Component_$q = 'ArpVersion'" \
      -q "DELETE FROM ${q}Component$q WHERE ${q}Component$q = 'ArpVersion'"
  }
  check "an MSI numbered $old_version as before the mapping built" old_numbering_msi "$work/msi-old" "$old_version" "$old_code" "$old_msi"
  same "the old numbering's package: ProductVersion, product code" "$old_version $old_code" \
    "$(property "$old_msi" ProductVersion) $(property "$old_msi" ProductCode)"
  same "the old numbering's package: Upgrade table" \
    "$(printf '%s\t\t%s\t\t1\t\tWIX_UPGRADE_DETECTED\n%s\t%s\t\t\t2\t\tWIX_DOWNGRADE_DETECTED\n' "$upgrade_code" "$old_version" "$upgrade_code" "$old_version" | sort)" \
    "$(table "$old_msi" Upgrade | sort)"
  same "the old numbering's package: no Registry rows, no component of its own for them" "" \
    "$(table "$old_msi" Registry; table "$old_msi" Component | grep ArpVersion)"
  zol_wine_reset
  before=$(msi_snapshot)
  check "msiexec /i (numbered $old_version) /qn succeeds" msi_install msi-old "$old_msi"
  msi_instdir=$(msi_folder "$work/msi-old.log" INSTALLDIR)
  same "numbered $old_version: installed into Program Files (a 32-bit package)" "C:\\Program Files (x86)\\zolcfg\\" "$(msi_property "$work/msi-old.log" INSTALLDIR)"
  same "numbered $old_version: installed files" "$( (expected_files build/win32/bin; echo removed-later.txt) | sort)" \
    "$(ls "$msi_instdir" 2>/dev/null | grep -vx guide | sort)"
  msi_lnk="$(msi_folder "$work/msi-old.log" ProgramMenuFolder)/$product.lnk"
  check "numbered $old_version: Start-menu shortcut ($msi_lnk)" test -f "$msi_lnk"
  entries=$(arp_entries)
  same "numbered $old_version: one Programs and Features entry" 1 "$(echo "$entries" | grep -c .)"
  entry=$(echo "$entries" | head -1)
  held=$(arp_value "$entry" Version)
  echo "  Windows Installer holds $old_version as $(( ${held:-0} >> 24 )).$(( ${held:-0} >> 16 & 0xFF )).$(( ${held:-0} & 0xFFFF ))"

  check "msiexec /i (version $version, $msi_version) /qn succeeds: the upgrade" msi_install msi-new "$msi"
  same "upgraded: installed files (the older package's own file gone)" "$(expected_files build/win32/bin)" \
    "$(ls "$msi_instdir" 2>/dev/null | grep -vx guide | sort)"
  check "upgraded: README.txt is the new version's" cmp -s "$dist/stage/win32/zolcfg-$release-win32/README.txt" "$msi_instdir/README.txt"
  for name in zolcfg.exe zolctl.exe dsctool.exe zolps.dll; do
    [ -f "$dist/stage/win32/zolcfg-$release-win32/$name" ] || continue
    check "upgraded: $name as packaged" cmp -s "$dist/stage/win32/zolcfg-$release-win32/$name" "$msi_instdir/$name"
  done
  guide_installed "$msi_instdir"
  msi_dir=$(msi_property "$work/msi-new.log" INSTALLDIR)   # C:\...\zolcfg\
  check "upgraded: Start-menu shortcut" test -f "$msi_lnk"
  same "upgraded: the shortcut starts zolcfg.exe in the installation folder" \
    "$(printf 'target: %s\nworking folder: %s' "${msi_dir}zolcfg.exe" "$msi_dir")" "$(lnk_fields "$msi_lnk")"
  entries=$(arp_entries)
  same "upgraded: one Programs and Features entry, the new product's" \
    "$(property "$msi" ProductCode)" "$(echo "$entries" | sed 's/.*\\//')"
  entry=$(echo "$entries" | head -1)
  same "Programs and Features: the programs' version" "$version" "$(arp_value "$entry" DisplayVersion)"
  same "Programs and Features: the package's version where Windows Installer keeps it" "$(msi_dword "$msi_version" cut)" \
    "$(( $(arp_value "$entry" Version) ))"
  same "Programs and Features: publisher" "$(property "$msi" Manufacturer)" "$(arp_value "$entry" Publisher)"
  same "Programs and Features: the guide as the help link" "${msi_dir}guide\\index.html" \
    "$(arp_value "$entry" HelpLink)"

  # The next build's package replaces this one; this one then refuses to replace it.
  next_version=$release.$(( ${version##*.} + 1 ))
  msi_stage_copy msi-next "next $next_version"
  next_msi=$work/zolcfg-$next_version.msi
  check "an MSI of the next version $next_version built" scripts/make-msi.sh "$work/msi-next" "$next_version" "$next_msi"
  check "msiexec /i (version $next_version) /qn succeeds: the upgrade" msi_install msi-next "$next_msi"
  same "next version: README.txt is its own" "next $next_version" "$(installed_readme)"
  entries=$(arp_entries)
  same "next version: one Programs and Features entry, its product's" \
    "$(property "$next_msi" ProductCode)" "$(echo "$entries" | sed 's/.*\\//')"
  same "next version: Programs and Features shows $next_version" "$next_version" "$(arp_value "$(echo "$entries" | head -1)" DisplayVersion)"
  msi_install msi-downgrade "$msi" >/dev/null
  rc=$?
  check "msiexec /i of the older $version over $next_version fails (exit code $rc)" test "$rc" -ne 0
  same "refused: $next_version still installed, alone" "$(property "$next_msi" ProductCode) next $next_version" \
    "$(arp_entries | sed 's/.*\\//') $(installed_readme)"

  check "msiexec /x /qn succeeds" zol_wine msiexec /x "$(zol_winpath "$next_msi")" /qn /l*v "$(zol_winpath "$work/msi-remove.log")" ||
    msi_log msi-remove
  check "removed: installation folder" test ! -e "$msi_instdir"
  check "removed: shortcut" test ! -e "$msi_lnk"
  same "removed: no Programs and Features entry" "" "$(arp_entries)"
  zol_wine_reset
  after=$(msi_snapshot)
  same "removed: nothing left behind (files and registry keys)" "$before" "$after"
  # The comparison still sees a key that a package leaves under the uninstall keys.
  probe="$uninstall_keys\\zolcfg-left-behind"
  zol_wine reg add "$probe" /reg:32 /f >/dev/null 2>&1
  zol_wine_reset
  same "a key left in the 32-bit view's uninstall keys shows" \
    '> [Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\zolcfg-left-behind]' \
    "$(diff <(echo "$before") <(msi_snapshot) | grep '^[<>]')"
  zol_wine reg delete "$probe" /reg:32 /f >/dev/null 2>&1
fi

# ---- 9: signing
echo "== signing"
# unsigned FILE: no Authenticode signature to extract
unsigned() { ! osslsigncode extract-signature -in "$1" -out "$work/signature.der" >/dev/null 2>&1; }
for f in "$dist"/zolcfg-$release-setup.exe "$dist"/zolcfg-$release.msi; do
  [ -f "$f" ] && check "without --sign: $(basename "$f") is not signed" unsigned "$f"
done
# A throwaway certificate for code signing, its own issuer; osslsigncode verify is told to
# trust it.
sign_dir=$work/sign
rm -rf "$sign_dir"
mkdir -p "$sign_dir"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=zolcfg package test" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$sign_dir/key.pem" -out "$sign_dir/cert.pem" >/dev/null 2>&1
openssl pkcs12 -export -inkey "$sign_dir/key.pem" -in "$sign_dir/cert.pem" -passout pass:throwaway \
  -out "$sign_dir/cert.pfx" >/dev/null 2>&1
check "a throwaway certificate made" test -s "$sign_dir/cert.pfx"
check "package.sh: --timestamp without --sign is refused" bash -c "scripts/package.sh --no-build --timestamp http://localhost/ >/dev/null 2>&1; test \$? -eq 2"
check "package.sh: a certificate that does not exist is refused" bash -c "scripts/package.sh --no-build --sign '$sign_dir/missing.pfx' >/dev/null 2>&1; test \$? -eq 1"
signed=$sign_dir/dist
if ZOL_DIST=$signed ZOL_SIGN_PASSWORD=throwaway scripts/package.sh --no-build --sign "$sign_dir/cert.pfx" >"$sign_dir/package.log" 2>&1; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); echo "FAILED: scripts/package.sh --sign"; sed 's/^/  /' "$sign_dir/package.log"
fi
verified() { osslsigncode verify -CAfile "$sign_dir/cert.pem" -in "$1" >"$sign_dir/verify.log" 2>&1 || {
  sed 's/^/  /' "$sign_dir/verify.log"; return 1; }; }
for arch in win32 win64; do
  zip=$signed/zolcfg-$release-$arch.zip
  rm -rf "$sign_dir/$arch"
  unzip -q "$zip" -d "$sign_dir/$arch" 2>/dev/null
  n=0
  for f in "$sign_dir/$arch/zolcfg-$release-$arch"/*.exe "$sign_dir/$arch/zolcfg-$release-$arch"/*.dll; do
    [ -f "$f" ] || continue
    n=$((n + 1))
    check "signed $arch zip: $(basename "$f") verifies" verified "$f"
  done
  same "signed $arch zip: every program and DLL" "$(ls "$work/$arch/zolcfg-$release-$arch" | grep -E '\.(exe|dll)$' | grep -c .)" "$n"
done
check "signed: the installer verifies" verified "$signed/zolcfg-$release-setup.exe"
check "signed: the MSI verifies" verified "$signed/zolcfg-$release.msi"
# The uninstaller as the installer writes it (7-Zip takes it out of the installer).
rm -rf "$sign_dir/setup"
7z x -y -o"$sign_dir/setup" "$signed/zolcfg-$release-setup.exe" uninstall.exe >/dev/null 2>&1
check "signed: the installer's uninstaller verifies" verified "$sign_dir/setup/uninstall.exe"

echo "package tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
