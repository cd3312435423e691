# shellcheck shell=bash
# Wine environment for running and testing the Windows programs on Linux.
# Source it (". scripts/wine-env.sh"), then call the functions below. Every function
# returns non-zero on failure and prints why on standard error; none of them exits the shell.
#
#   zol_wine_init PREFIXDIR        create or refresh a 64-bit Wine prefix and select it
#   zol_wine_fonts CONFFILE        the fonts Wine may use (called by zol_wine_init)
#   zol_wine_register BINDIR HOME  register zolps.dll and zolsrv.exe of BINDIR, state in HOME
#   zol_wine_unregister [BINDIR]   remove that registration (only if it is zolsrv's of BINDIR)
#   zol_standin_seed SEEDDIR HOME  put the state files of SEEDDIR (e.g. examples/demo) into HOME
#   zol_wine_reset                 stop the prefix's wineserver and everything running in it
#   zol_xvfb_start                 start Xvfb when there is no display; zol_xvfb_stop ends it
#   zol_wine PROGRAM [ARGS...]     run a Windows program in the prefix, output through files
#   zol_winpath UNIXPATH           the Windows path (Z:\...) of a Linux path
#   zol_wine32_usable              whether 32-bit programs run here (why not: ZOL_WINE32_REASON)
#
# 32-bit programs run in the prefix ZOL_WINE32_PREFIX when it is set (scripts/with-wine32.sh
# sets it to the one prefix it made where they run).
#
# Set by zol_wine_init and used by the others: WINEPREFIX, WINEARCH, WINEDEBUG,
# WINEDLLOVERRIDES, FONTCONFIG_FILE. ZOL_WINE is the loader used (Debian's /usr/lib/wine/wine64, or wine).

# The 64-bit loader directly: Debian's "wine" wrapper only adds a warning about wine32.
if [ -x /usr/lib/wine/wine64 ]; then
  ZOL_WINE=/usr/lib/wine/wine64
else
  ZOL_WINE=$(command -v wine64 || command -v wine || echo wine)
fi
ZOL_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)

_zol_err() { echo "wine-env: $*" >&2; }

# zol_wine_init PREFIXDIR
# Creates the prefix on first use (wineboot --init) and waits for that first wineserver to
# exit (COM activation right after a fresh wineboot can hang); an existing prefix is only
# selected, which takes no time.
# Quiet: no debug output, no Mono/Gecko installers, no desktop menu entries.
zol_wine_init() {
  local prefix=${1:?usage: zol_wine_init PREFIXDIR}
  mkdir -p "$prefix" || return 1
  WINEPREFIX=$(cd "$prefix" && pwd) || return 1
  export WINEPREFIX
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  zol_wine_fonts "$WINEPREFIX/zol-fonts.conf" || return 1
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
    "$ZOL_WINE" wineboot --init >"$WINEPREFIX/wineboot.log" 2>&1 </dev/null || {
      _zol_err "wineboot --init failed; see $WINEPREFIX/wineboot.log"
      return 1
    }
    # Only after creating it: on a prefix in use this would wait for all its programs.
    "$ZOL_WINESERVER" -w
  fi
  return 0
}

# zol_wine_fonts CONFFILE
# The fonts Wine may use: every font folder of the system but those of Liberation 2
# (fonts-liberation2, which LibreOffice brings). Wine takes Liberation Sans 2 for the
# dialogs' "MS Sans Serif", and the 64-bit Uniscribe of Wine 8 shapes its Cyrillic through
# a mark-to-mark lookup that reads the glyph before the first one of a run at index
# 0xFFFFFFFF: an edit control whose line begins with "д", "е", "ж" or "з" (such as
# "записана контрольная сумма") ends the program with a page fault in gdi32. Wine finds
# fonts by fontconfig's folders, not its rules, so the folders are listed one by one in a
# configuration of their own (FONTCONFIG_FILE), exported for every Wine run.
zol_wine_fonts() {
  local conf=${1:?usage: zol_wine_fonts CONFFILE} dir dirs=()
  while IFS= read -r dir; do
    case "$dir" in */liberation2|*/liberation2/*) continue ;; esac
    dirs+=("$dir")
  done < <(find /usr/share/fonts /usr/local/share/fonts -type f \( -iname '*.ttf' -o -iname '*.otf' -o -iname '*.ttc' -o -iname '*.pfb' -o -iname '*.t1' \) -printf '%h\n' 2>/dev/null | sort -u)
  {
    echo '<?xml version="1.0"?>'
    echo '<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">'
    echo '<fontconfig>'
    for dir in "${dirs[@]}"; do echo "  <dir>$dir</dir>"; done
    echo '  <cachedir prefix="xdg">fontconfig</cachedir>'
    echo '</fontconfig>'
  } >"$conf.tmp" && mv -f "$conf.tmp" "$conf" || { _zol_err "cannot write $conf"; return 1; }
  export FONTCONFIG_FILE=$conf
}

# zol_winpath UNIXPATH
# Prints the Windows form of an absolute or relative Linux path (Wine maps / to Z:).
zol_winpath() {
  local p
  p=$(realpath -m "${1:?usage: zol_winpath PATH}") || return 1
  printf 'Z:%s\n' "${p//\//\\}"
}

# zol_wine PROGRAM [ARGS...]
# Runs PROGRAM (a Linux path to a .exe, or a Windows program name) in the prefix and
# returns its exit code. Its standard output and error go through temporary files and are
# then copied to ours: a COM server that the program starts can inherit the handles, and a
# pipe would then stay open after the program ended. ZOLSRV_HOME is kept out of the Wine
# session so that the server's state directory comes from its registration.
zol_wine() {
  [ -n "${WINEPREFIX:-}" ] || { _zol_err "zol_wine_init has not been called"; return 1; }
  local out err rc
  out=$(mktemp) && err=$(mktemp) || return 1
  env -u ZOLSRV_HOME "$ZOL_WINE" "$@" >"$out" 2>"$err" </dev/null
  rc=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  return $rc
}

# zol_wine_register BINDIR HOMEDIR
# Registers BINDIR/zolsrv.exe (which registers BINDIR/zolps.dll, the IAddTags proxy/stub)
# machine-wide - Wine reads COM registrations from HKLM only - and records HOMEDIR as the
# server's state directory (created if missing). Refuses, like zolsrv.exe, when the class
# belongs to another program; set ZOL_WINE_REGISTER_FORCE=1 to pass /force.
zol_wine_register() {
  local bindir=${1:?usage: zol_wine_register BINDIR HOMEDIR} home=${2:?usage: zol_wine_register BINDIR HOMEDIR}
  [ -f "$bindir/zolsrv.exe" ] || { _zol_err "no zolsrv.exe in $bindir"; return 1; }
  [ -f "$bindir/zolps.dll" ] || { _zol_err "no zolps.dll in $bindir"; return 1; }
  mkdir -p "$home" || return 1
  local force=()
  [ "${ZOL_WINE_REGISTER_FORCE:-0}" = 1 ] && force=(/force)
  ZOL_WINE_LAST_BINDIR=$bindir
  zol_wine "$bindir/zolsrv.exe" /RegServer /home "$(zol_winpath "$home")" "${force[@]}" || {
    _zol_err "registering $bindir/zolsrv.exe failed"
    return 1
  }
}

# zol_standin_seed SEEDDIR HOMEDIR
# Makes HOMEDIR (created if missing) hold the server state of SEEDDIR: its tags.txt,
# port.txt and line.txt replace HOMEDIR's; faults.txt, status and log of earlier runs go.
# Call it while no zolsrv.exe uses HOMEDIR (a running server keeps its tags in memory
# until its last client leaves).
zol_standin_seed() {
  local seed=${1:?usage: zol_standin_seed SEEDDIR HOMEDIR} home=${2:?usage: zol_standin_seed SEEDDIR HOMEDIR}
  mkdir -p "$home" || return 1
  rm -f "$home/tags.txt" "$home/port.txt" "$home/line.txt" "$home/faults.txt" \
        "$home/status.txt" "$home/no-restart.mark" "$home/zolsrv.log" "$home/zolsrv.log.old"
  local f
  for f in tags.txt port.txt line.txt; do
    if [ -f "$seed/$f" ]; then cp "$seed/$f" "$home/$f" || return 1; fi
  done
}

# zol_wine_unregister [BINDIR]
# Removes the registration made by BINDIR/zolsrv.exe (default: the last registered BINDIR
# of this shell). zolsrv.exe leaves a registration alone that is not its own.
zol_wine_unregister() {
  local bindir=${1:-${ZOL_WINE_LAST_BINDIR:-}}
  [ -n "$bindir" ] && [ -f "$bindir/zolsrv.exe" ] || { _zol_err "usage: zol_wine_unregister BINDIR"; return 1; }
  zol_wine "$bindir/zolsrv.exe" /UnregServer
}

# zol_wine32_usable
# True when Wine can run 32-bit Windows programs here: the 32-bit loader (package
# wine32:i386) is installed and starts, because the kernel runs 32-bit programs or because
# this runs under scripts/with-wine32.sh, which emulates them. Otherwise false, with the
# reason in ZOL_WINE32_REASON (some virtual machines have no 32-bit user mode).
zol_wine32_usable() {
  ZOL_WINE32_REASON=""
  if [ ! -x /usr/lib/wine/wine ]; then
    ZOL_WINE32_REASON="the 32-bit Wine loader is not installed (package wine32:i386)"
    return 1
  fi
  local out
  if ! out=$(timeout 60 /usr/lib/wine/wine --version 2>&1); then
    case "$out" in
      *"Syntax error"*|*"Exec format error"*|*"cannot execute"*)
        ZOL_WINE32_REASON="this machine does not run 32-bit (i386) programs, the 32-bit Wine loader among them (scripts/with-wine32.sh emulates them)" ;;
      *) ZOL_WINE32_REASON="the 32-bit Wine loader does not start: ${out:-timed out}" ;;
    esac
    return 1
  fi
  return 0
}

# zol_wine_reset
# Kills the prefix's wineserver and with it every Windows process of the prefix. Needed
# after a process was killed: a local server killed with its client can stay registered as
# running, and the next activation then fails with 0x800706BA.
zol_wine_reset() {
  [ -n "${WINEPREFIX:-}" ] || { _zol_err "zol_wine_init has not been called"; return 1; }
  # "|| true": no server running is no failure, also for callers under set -e.
  "$ZOL_WINESERVER" -k 2>/dev/null || true
  "$ZOL_WINESERVER" -w 2>/dev/null || true
  return 0
}

# zol_xvfb_start
# When DISPLAY is unset, starts Xvfb on the first free display number, exports DISPLAY and
# ZOL_XVFB_PID. The caller ends it with zol_xvfb_stop (e.g. in an EXIT trap). Does nothing
# when a display is already set.
zol_xvfb_start() {
  [ -n "${DISPLAY:-}" ] && return 0
  command -v Xvfb >/dev/null || { _zol_err "Xvfb is not installed (package xvfb)"; return 1; }
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    ZOL_XVFB_PID=$!
    local i
    # Up to 10 s (times ZOL_TIME_SCALE) for the server to listen, looking every 0.1 s.
    for i in $(seq 1 $((100 * ${ZOL_TIME_SCALE:-1}))); do
      # Ours only when its lock file names it: two scripts starting at once may pick the
      # same number, and the one that lost must not use (and later lose) the other's
      # display. Xvfb writes the lock before it listens on the socket.
      if [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$ZOL_XVFB_PID" ] &&
        kill -0 "$ZOL_XVFB_PID" 2>/dev/null; then
        export DISPLAY=":$n" ZOL_XVFB_PID
        return 0
      fi
      kill -0 "$ZOL_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$ZOL_XVFB_PID" 2>/dev/null
    wait "$ZOL_XVFB_PID" 2>/dev/null
    unset ZOL_XVFB_PID
  done
  _zol_err "could not start Xvfb"
  return 1
}

# zol_xvfb_stop
# Ends the Xvfb started by zol_xvfb_start, if any, and unsets DISPLAY.
zol_xvfb_stop() {
  [ -n "${ZOL_XVFB_PID:-}" ] || return 0
  kill "$ZOL_XVFB_PID" 2>/dev/null || true
  wait "$ZOL_XVFB_PID" 2>/dev/null || true
  unset ZOL_XVFB_PID DISPLAY
}
