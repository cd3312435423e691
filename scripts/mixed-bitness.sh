#!/usr/bin/env bash
# zolcfg.exe against a stand-in server of the other bitness, under Wine (prefix
# ZOL_WINE32_PREFIX, or build/mixed/prefix: 64-bit, which runs both kinds of program):
#   1. the 32-bit zolcfg.exe, the 64-bit server, the proxy/stub registered for 32-bit programs too
#   2. the 64-bit zolcfg.exe, the 32-bit server, the proxy/stub registered for 64-bit programs too
#   3. the 64-bit zolcfg.exe, the 32-bit server, the proxy/stub registered for 32-bit programs
#      only: what a user meets; the boxes it shows are printed and checked (the code, then
#      the advice)
# 1 and 2 must show the title and the demo devices. Needs both builds (scripts/build.sh win)
# and a machine that runs 32-bit programs (scripts/with-wine32.sh scripts/mixed-bitness.sh
# where the kernel runs none); exits 3, saying why, where it cannot run.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
if ! zol_wine32_usable; then echo "mixed bitness: not run: $ZOL_WINE32_REASON"; exit 3; fi
trap 'zol_wine_reset >/dev/null 2>&1; zol_xvfb_stop' EXIT
zol_xvfb_start || exit 1
zol_wine_init "${ZOL_WINE32_PREFIX:-$root/build/mixed/prefix}" || exit 1
"$ZOL_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

bin32=$root/build/win32/bin
bin64=$root/build/win/bin
home=$root/build/mixed/server
work=$root/build/mixed/work
mkdir -p "$work"
cp "$root"/build/win/examples/devices/*.dsc "$work/"
passed=0
failed=0
result() { if [ "$1" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi; echo "$1: $2"; }

# scenario NAME CLIENTBIN SERVERBIN [EXTRA-PROXY-BIN]: registers the server (with its own
# proxy/stub) and the extra proxy/stub, starts the client, prints what it shows.
scenario() {
  local name=$1 client=$2 server=$3 extra=${4:-}
  echo "== $name"
  zol_wine_reset
  zol_standin_seed examples/demo "$home"
  # No registration left by a test program or an earlier case may answer instead: a 32-bit
  # client finds the class in the 32-bit view first. Each build's zolsrv.exe removes its own.
  zol_wine "$bin32/zolsrv.exe" /UnregServer >/dev/null 2>&1
  zol_wine "$bin64/zolsrv.exe" /UnregServer >/dev/null 2>&1
  ZOL_WINE_REGISTER_FORCE=1 zol_wine_register "$server" "$home" >/dev/null || return 1
  [ -n "$extra" ] && zol_wine regsvr32 /s "$(zol_winpath "$extra/zolps.dll")"
  (cd "$work" && exec env -u ZOLSRV_HOME "$ZOL_WINE" "$client/zolcfg.exe" >/dev/null 2>&1 </dev/null) &
  local pid=$!
  # The inspector reads the tree through the client's memory: it must be of the same bitness.
  local inspect=$client/zolinspect.exe
  shown=""
  local i
  for i in 1 2 3 4; do  # the main window, or up to three message boxes one after the other
    local seen
    seen=$(zol_wine "$inspect" --wait 180 "Конфигуратор ZOL-OPC-Server" | tr -d '\r') || break
    shown+="$seen"$'\n'
    echo "$seen" | sed 's/^/  /'
    zol_wine "$inspect" --close "Конфигуратор ZOL-OPC-Server" >/dev/null
    case "$seen" in "title: Конфигуратор ZOL-OPC-Server версия"*) break ;; esac
    sleep 1
  done
  wait "$pid"
  [ -n "$extra" ] && zol_wine regsvr32 /s /u "$(zol_winpath "$extra/zolps.dll")"
  zol_wine_unregister "$server" >/dev/null
}

connected() {
  if echo "$shown" | grep -q '^title: Конфигуратор ZOL-OPC-Server версия' && echo "$shown" | grep -q '^  PM3F(001)'; then
    result ok "$1: title and demo devices shown"
  else
    result FAILED "$1: no main window with the demo devices"
  fi
}

scenario "32-bit client, 64-bit server" "$bin32" "$bin64" "$bin32"
connected "32-bit client, 64-bit server"
scenario "64-bit client, 32-bit server" "$bin64" "$bin32" "$bin64"
connected "64-bit client, 32-bit server"
scenario "64-bit client, 32-bit server, proxy/stub for 32-bit programs only" "$bin64" "$bin32"
# The refusal's code is E_NOINTERFACE on Windows, REGDB_E_CLASSNOTREG under Wine; the advice
# follows either, its second line naming what to register.
if echo "$shown" | grep -q '^text: Интерфейс IAddTags не зарегистрирован для 64-разрядных программ' &&
   echo "$shown" | grep -q '^Запустите 32-разрядную версию .*register-proxy.cmd' &&
   ! echo "$shown" | grep -q '^title: Конфигуратор ZOL-OPC-Server версия'; then
  result ok "64-bit client without its proxy/stub: the refusal's code, then what to do"
else
  result FAILED "64-bit client without its proxy/stub: expected the refusal's code and the advice"
fi
echo "mixed bitness: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
