# Sourced by run.sh and test.sh: installs the Debian packages the build and the tests need
# when any is missing (a fresh Debian 12 machine has none of the Windows tool chain).
# 32-bit Windows programs run under Wine through its 32-bit loader (wine32:i386), so the
# i386 architecture is added first; where the kernel runs no i386 programs,
# scripts/with-wine32.sh emulates them with qemu-i386 (qemu-user-static), fast only with the
# prelinked loader (wine32-preloader:i386).
# shellcheck shell=bash

ZOL_PACKAGES=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  wine wine64 wine32:i386 wine32-preloader:i386 libwine-dev qemu-user-static
  nsis zip unzip p7zip-full
  xvfb xdotool imagemagick x11-utils
)

zol_install_packages() {
  local missing=()
  local p
  for p in "${ZOL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}
