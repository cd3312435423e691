#!/usr/bin/env bash
# Runs a command where Wine runs 32-bit Windows programs, or says why that cannot be here.
#
#   scripts/with-wine32.sh COMMAND [ARGS...]   run COMMAND there
#   scripts/with-wine32.sh --check             only check (and prepare the prefix); prints "ok",
#                                              or "ok: emulated by qemu-i386"
#
# Where the kernel runs 32-bit (i386) Linux programs, COMMAND simply runs. Where it does not
# (many virtual machines have no 32-bit user mode), COMMAND runs in a private user + mount
# namespace with a binfmt_misc of its own that hands i386 programs - Wine's 32-bit loader
# and everything it starts - to qemu-i386 (qemu-user 8 or later: scripts/deps.sh takes 10
# from bookworm-backports on Debian 12, whose own 7.2 now and then loses a 32-bit Wine
# process in its signal handling; and wine32-preloader:i386; Linux 6.7 or later). Nothing
# outside the namespace changes.
#
# Either way the 32-bit prefix (ZOL_WINE32_PREFIX, default build/wine32/prefix) is created
# there when missing - one created where 32-bit programs did not run lacks syswow64 and is
# made anew - and a tiny 32-bit program (tests/win/wine32_probe.c, built with the i686
# compiler) must run in it, print its line and exit with 32. COMMAND gets ZOL_WINE32_PREFIX
# exported and runs its 32-bit programs in that prefix, so that it is created only once.
#
# Exit code: COMMAND's; 3 with "not run: REASON" on standard output when 32-bit Windows
# programs cannot run here (or ZOL_WINE32=off says not to run them).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
self=$root/scripts/with-wine32.sh
loader32=${ZOL_WINE32_LOADER:-/usr/lib/wine/wine}
ZOL_APT_UNAVAILABLE=${ZOL_APT_UNAVAILABLE:-$root/build/apt-unavailable.txt}
# shellcheck source=scripts/deps.sh
source "$root/scripts/deps.sh"
qemu=/usr/bin/qemu-i386
[ -x "$qemu" ] || qemu=/usr/bin/qemu-i386-static

not_run() { echo "not run: $*"; exit 3; }

# The i386 ELF pattern of binfmt_misc (the kernel decodes the \x escapes): 32-bit,
# little-endian, an executable or a shared object, machine 3 (i386).
i386_rule=':zol-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

loader32_runs() { timeout 120 "$loader32" --version >/dev/null 2>&1; }

# prepare: the prefix and the probe, in the environment where COMMAND will run.
prepare() {
  # shellcheck source=scripts/wine-env.sh
  source "$root/scripts/wine-env.sh"
  local out
  out=$(timeout 120 "$loader32" --version 2>&1) || not_run "Wine's 32-bit loader does not start: ${out:-timed out}"
  local prefix=${ZOL_WINE32_PREFIX:-$root/build/wine32/prefix}
  if [ -f "$prefix/system.reg" ] && [ ! -d "$prefix/drive_c/windows/syswow64" ]; then
    echo "with-wine32: $prefix has no 32-bit part (created where 32-bit programs did not run): making it anew" >&2
    rm -rf "$prefix"
  fi
  zol_wine_init "$prefix" || not_run "the Wine prefix $prefix could not be created (see its wineboot.log)"
  [ -d "$prefix/drive_c/windows/syswow64" ] || not_run "the Wine prefix $prefix was created without its 32-bit part"

  local cc probe=$root/build/wine32/probe.exe src=$root/tests/win/wine32_probe.c
  cc=$(command -v i686-w64-mingw32-gcc-posix || command -v i686-w64-mingw32-gcc) ||
    not_run "no 32-bit Windows compiler (package gcc-mingw-w64-i686-posix)"
  mkdir -p "$(dirname "$probe")"
  if [ ! -f "$probe" ] || [ "$src" -nt "$probe" ]; then
    "$cc" -O2 -s -o "$probe" "$src" || not_run "the 32-bit probe program did not build"
  fi
  local rc
  out=$(timeout 300 "$ZOL_WINE" "$probe" 2>&1 </dev/null | tr -d '\r')
  rc=${PIPESTATUS[0]}
  if [ "$rc" -ne 32 ] || ! grep -qx '32-bit Windows program: pointers of 4 bytes' <<<"$out"; then
    not_run "a 32-bit Windows program does not run in Wine here (exit code $rc): $(head -3 <<<"$out" | tr '\n' ' ')"
  fi
  export ZOL_WINE32_PREFIX=$prefix
  unset WINEPREFIX
}

run() {
  prepare
  if [ "${1:-}" = --check ]; then echo "ok${ZOL_WINE32_NAMESPACE:+: emulated by qemu-i386}"; exit 0; fi
  [ $# -gt 0 ] || { echo "usage: scripts/with-wine32.sh COMMAND [ARGS...] | --check" >&2; exit 2; }
  exec "$@"
}

# Second half, inside the namespace: its own binfmt_misc with the i386 rule, then as above.
# F: the kernel opens qemu now, so it is found whatever the programs' mount view.
# QEMU_RESERVED_VA: the whole 4 GiB address space a 32-bit Wine expects to lay out itself.
if [ "${1:-}" = --inside ]; then
  shift
  out=$(mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>&1) ||
    not_run "this kernel gives a namespace no binfmt_misc of its own (Linux 6.7 or later does): $out"
  printf '%s:%s:F' "$i386_rule" "$qemu" >/proc/sys/fs/binfmt_misc/register 2>/dev/null ||
    not_run "the i386 rule could not be registered in the namespace's binfmt_misc"
  # ZOL_TIME_SCALE: the tests' response-time limits, for a machine emulated several times slower.
  export QEMU_RESERVED_VA=0xffff0000 ZOL_WINE32_NAMESPACE=1 ZOL_TIME_SCALE=${ZOL_TIME_SCALE:-4}
  loader32_runs || not_run "Wine's 32-bit loader does not start through $qemu"
  run "$@"
fi

[ "${ZOL_WINE32:-}" = off ] && not_run "turned off (ZOL_WINE32=off)"
if [ ! -x "$loader32" ]; then
  apt_reason=$(zol_apt_unavailable_reason 'wine32')
  not_run "Wine's 32-bit loader is not installed (package wine32:i386)${apt_reason:+: apt could not install it: $apt_reason}"
fi
if loader32_runs; then
  run "$@"   # this kernel runs 32-bit programs itself
fi
# The kernel does not: emulate them, in a namespace of their own.
[ -x "$qemu" ] || not_run "this kernel does not run 32-bit (i386) programs and qemu-i386 is not installed (package qemu-user)"
qemu_major=$("$qemu" --version 2>/dev/null | sed -nE '1s/^qemu-i386 version ([0-9]+)\..*/\1/p')
[ "${qemu_major:-0}" -ge 8 ] || [ "${ZOL_WINE32_EMULATED:-0}" = 1 ] ||
  not_run "this kernel runs no 32-bit programs, and qemu-i386 ${qemu_major:-?} loses 32-bit Wine processes now and then (8 or later is needed; scripts/deps.sh installs 10; ZOL_WINE32_EMULATED=1 runs them all the same)"
[ -e /usr/lib/wine/wine-preloader ] ||
  not_run "the 32-bit Wine preloader is not installed (package wine32-preloader:i386); without it every 32-bit process takes minutes under emulation"
command -v unshare >/dev/null || not_run "unshare is not installed (package util-linux)"
out=$(unshare --user --map-root-user --mount true 2>&1) ||
  not_run "this kernel does not run 32-bit (i386) programs, and no user namespace can be made here to emulate them: $out"
exec unshare --user --map-root-user --mount --fork "$self" --inside "$@"
