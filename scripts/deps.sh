# Sourced by run.sh and test.sh: installs the Debian packages the build and the tests need
# when any is missing (a fresh Debian 12 machine has none of the Windows tool chain).
# 32-bit Windows programs run under Wine through its 32-bit loader (wine32:i386), so the
# i386 architecture is added first; where the kernel runs no i386 programs,
# scripts/with-wine32.sh emulates them with qemu-i386, fast only with the prelinked loader
# (wine32-preloader:i386). Debian 12's own qemu-user (7.2) now and then loses a 32-bit Wine
# process in its signal handling - a cross-process COM call that never returns, a crash at
# the first window - so there qemu-user 10 comes from bookworm-backports.
# ZOL_RUN_PACKAGES are what the run command needs (the native dsctool and the 64-bit
# programs under Wine); the test command adds ZOL_TEST_PACKAGES: the 32-bit tool chain and
# Wine, the fuzzers' clang, the benchmarks, the packagers and their checks (NSIS, msitools,
# osslsigncode, pefile), pandoc for the guide and LibreOffice Calc (no GUI), the spreadsheet
# the register-table check saves tables with.
# shellcheck shell=bash

ZOL_RUN_PACKAGES=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 libwine-dev
  xvfb xdotool imagemagick x11-utils
)
ZOL_TEST_PACKAGES=(
  libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  wine32:i386 wine32-preloader:i386
  nsis zip unzip p7zip-full msitools wixl osslsigncode openssl
  pandoc python3 python3-pefile
  libreoffice-calc-nogui
  # The Ansible role's test: Debian's engine with its collections (ansible.windows among
  # them, for the syntax check of the Windows steps) and ansible-lint.
  ansible ansible-lint
)
ZOL_PACKAGES=("${ZOL_RUN_PACKAGES[@]}" "${ZOL_TEST_PACKAGES[@]}")

# Where the packages that could not be installed are listed, one "PACKAGE: apt's reason"
# line each (scripts/with-wine32.sh names the reason when it skips, the test summary lists
# them); removed when nothing is missing.
ZOL_APT_UNAVAILABLE=${ZOL_APT_UNAVAILABLE:-$PWD/build/apt-unavailable.txt}

_zol_sudo() { if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi; }

# zol_apt_update: apt-get update, tried again (three times in all, ZOL_APT_RETRY_PAUSE
# seconds between, 20 by default) while it reports index files it could not fetch. A mirror
# in the middle of a sync serves a bad index for hours and apt-get still exits 0; its words
# are shown, and after the third try the install goes on with the indexes apt has.
zol_apt_update() {
  local attempt out rc
  for attempt in 1 2 3; do
    out=$(_zol_sudo apt-get update -qq 2>&1)
    rc=$?
    if [ "$rc" -eq 0 ] && ! grep -qE '^(E|W): (Failed to fetch|Some index files failed)' <<<"$out"; then
      return 0
    fi
    echo "apt-get update, try $attempt of 3 (exit code $rc), could not fetch every index:"
    grep -E '^(E|W): ' <<<"$out" | head -6 | sed 's/^/  /'
    [ "$attempt" -lt 3 ] && sleep "${ZOL_APT_RETRY_PAUSE:-20}"
  done
  echo "apt-get update: going on with the indexes it has"
}

# _zol_apt_install PACKAGE...: one apt-get install transaction; on failure sets
# _zol_apt_reason to apt's own words (the unmet dependency and the error).
_zol_apt_install() {
  local out
  out=$(_zol_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" 2>&1) && return 0
  _zol_apt_reason=$(grep -E 'Depends:|^E: ' <<<"$out" | sed -E 's/^ +//' | head -3 | paste -sd' ' -)
  [ -n "$_zol_apt_reason" ] || _zol_apt_reason=$(tail -1 <<<"$out")
  return 1
}

# zol_install_packages [run]: installs what is missing of every package (the test command's
# set), or with "run" of the run command's only. The i386 packages (32-bit Wine) go in a
# transaction of their own, after all the others: a half-synced mirror often has them only
# at the release's versions while the amd64 libraries stand at the security update's, and
# then apt refuses the whole transaction. What cannot be installed is listed in
# ZOL_APT_UNAVAILABLE with apt's reason and its tests are skipped; only a missing package
# of the run command's set fails (nothing could be built or run without it).
zol_install_packages() {
  local wanted=("${ZOL_PACKAGES[@]}")
  [ "${1:-}" = run ] && wanted=("${ZOL_RUN_PACKAGES[@]}")
  local main=() i386=() unavailable=() p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" && continue
    case "$p" in *:i386) i386+=("$p") ;; *) main+=("$p") ;; esac
  done
  [ "${1:-}" = run ] || rm -f "$ZOL_APT_UNAVAILABLE"
  [ $((${#main[@]} + ${#i386[@]})) -eq 0 ] && return 0
  echo "Installing: ${main[*]} ${i386[*]}"
  if [ ${#i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    _zol_sudo dpkg --add-architecture i386
  fi
  zol_apt_update
  if [ ${#main[@]} -gt 0 ] && ! _zol_apt_install "${main[@]}"; then
    # One package at a time, so that one the mirror cannot give leaves the others installed.
    for p in "${main[@]}"; do
      _zol_apt_install "$p" || unavailable+=("$p: $_zol_apt_reason")
    done
  fi
  if [ ${#i386[@]} -gt 0 ] && ! _zol_apt_install "${i386[@]}"; then
    for p in "${i386[@]}"; do unavailable+=("$p: $_zol_apt_reason"); done
  fi
  [ ${#unavailable[@]} -eq 0 ] && return 0
  mkdir -p "$(dirname "$ZOL_APT_UNAVAILABLE")"
  printf '%s\n' "${unavailable[@]}" >"$ZOL_APT_UNAVAILABLE"
  echo "Could not be installed (their tests are skipped):"
  sed 's/^/  /' "$ZOL_APT_UNAVAILABLE"
  local line
  for line in "${unavailable[@]}"; do
    for p in "${ZOL_RUN_PACKAGES[@]}"; do
      [ "${line%%: *}" = "$p" ] && { echo "$p is needed to build and run the program"; return 1; }
    done
  done
  return 0
}

# zol_apt_unavailable_reason NAME: apt's reason for the package NAME (any architecture; a
# grep -E pattern) if it could not be installed, or nothing.
zol_apt_unavailable_reason() {
  [ -f "$ZOL_APT_UNAVAILABLE" ] || return 0
  grep -E "^($1)(:[a-z0-9]+)?: " "$ZOL_APT_UNAVAILABLE" | head -1 | sed -E "s/^($1)(:[a-z0-9]+)?: //"
}

# The major version of the installed qemu-i386, or 0.
zol_qemu_major() {
  local q v
  for q in /usr/bin/qemu-i386 /usr/bin/qemu-i386-static; do
    [ -x "$q" ] || continue
    v=$("$q" --version 2>/dev/null | sed -nE '1s/^qemu-i386 version ([0-9]+)\..*/\1/p')
    [ -n "$v" ] && { echo "$v"; return; }
  done
  echo 0
}

# qemu-user 8 or later (it carries its static qemu-i386): from the release itself where it
# is that new, from bookworm-backports on Debian 12.
zol_install_qemu() {
  [ "$(zol_qemu_major)" -ge 8 ] && return 0
  # Without 32-bit Wine there is nothing for it to run.
  [ -n "$(zol_apt_unavailable_reason 'wine32')" ] && return 0
  local codename="" release=()
  codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  if [ "$codename" = bookworm ]; then
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
        _zol_sudo tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
    fi
    release=(-t bookworm-backports)
  fi
  echo "Installing: qemu-user ${release[*]}"
  zol_apt_update
  _zol_apt_install --no-install-recommends "${release[@]}" qemu-user || { echo "  $_zol_apt_reason"; return 1; }
}
