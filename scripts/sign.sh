#!/usr/bin/env bash
# Signs Windows programs, DLLs, installers and MSI packages in place with osslsigncode
# (Authenticode, SHA-256), for scripts/package.sh --sign; makensis runs it on the installer
# and its uninstaller too. From the environment:
#   ZOL_SIGN_CERT       the certificate with its private key (PKCS#12, .pfx)
#   ZOL_SIGN_PASSWORD   its password, if it has one (handed to osslsigncode in a file, not on
#                       its command line, where other users could read it)
#   ZOL_SIGN_TIMESTAMP  an RFC 3161 time-stamping service's URL, if any: the signature then
#                       stays valid after the certificate expires
#   scripts/sign.sh FILE...
set -euo pipefail
: "${ZOL_SIGN_CERT:?ZOL_SIGN_CERT: the certificate (.pfx) to sign with}"
[ -f "$ZOL_SIGN_CERT" ] || { echo "sign: $ZOL_SIGN_CERT: no such file" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
options=(-pkcs12 "$ZOL_SIGN_CERT" -h sha256 -n "Конфигуратор ZOL-OPC-Server")
if [ -n "${ZOL_SIGN_PASSWORD:-}" ]; then
  (umask 077 && printf '%s' "$ZOL_SIGN_PASSWORD" >"$work/password")
  options+=(-readpass "$work/password")
fi
[ -n "${ZOL_SIGN_TIMESTAMP:-}" ] && options+=(-ts "$ZOL_SIGN_TIMESTAMP")
for f in "$@"; do
  osslsigncode sign "${options[@]}" -in "$f" -out "$work/signed" >"$work/log" 2>&1 || {
    echo "sign: $f could not be signed:" >&2; cat "$work/log" >&2; exit 1; }
  # The signed copy replaces the file, keeping its mode.
  cat "$work/signed" >"$f"
  rm -f "$work/signed"
done
