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
  ansible-core  # the Ansible role's test runs Debian's engine (about 8 MB)
)
ZOL_PACKAGES=("${ZOL_RUN_PACKAGES[@]}" "${ZOL_TEST_PACKAGES[@]}")

# zol_install_packages [run]: installs what is missing of every package (the test command's
# set), or with "run" of the run command's only.
zol_install_packages() {
  local wanted=("${ZOL_PACKAGES[@]}")
  [ "${1:-}" = run ] && wanted=("${ZOL_RUN_PACKAGES[@]}")
  local missing=()
  local p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  case " ${missing[*]}" in
    *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386 ;;
  esac
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
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
  local sudo="" codename="" release=()
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  if [ "$codename" = bookworm ]; then
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm-backports' \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
        $sudo tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
    fi
    release=(-t bookworm-backports)
  fi
  echo "Installing: qemu-user ${release[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${release[@]}" qemu-user >/dev/null
}
