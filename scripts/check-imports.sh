#!/usr/bin/env bash
# Compares what each given Windows program or DLL imports (objdump -p) with the reviewed
# list packaging/allowed-imports.txt: every DLL and function there was checked to exist in
# Windows 7 SP1, the oldest Windows the programs support. Windows refuses to start a
# program whose import it lacks ("entry point not found"), and the compilers' headers do not
# guard every newer function, so a new import fails here until someone has checked it and
# added it to the list. Functions newer than Windows 7 are looked up at run time instead
# (GetProcAddress) and never appear in an import table.
#   scripts/check-imports.sh FILE...        exit 1 and the imports not on the list, if any
#   scripts/check-imports.sh --list FILE... what the files import, in the list's format
set -euo pipefail
cd "$(dirname "$0")/.."
list=packaging/allowed-imports.txt

# imports FILE: "DLL FUNCTION" a line, the DLL's name in lower case (Windows ignores its case)
imports() {
  objdump -p "$1" | awk '
    /^\tDLL Name: / { dll = tolower($3); next }
    /^\tvma: / && dll != "" { table = 1; next }
    table && NF == 0 { table = 0; dll = ""; next }
    table && dll != "" { print dll, $NF }'
}

if [ "${1:-}" = --list ]; then
  shift
  for f in "$@"; do imports "$f"; done | sort -u | awk '
    $1 != dll { if (dll != "") print ""; dll = $1; print "[" dll "]" } { print $2 }'
  exit 0
fi
[ $# -gt 0 ] || { echo "usage: scripts/check-imports.sh [--list] FILE..." >&2; exit 2; }

# The list: "[dll]" opens a DLL's section, then one function a line; "#" starts a comment.
allowed=$(sed 's/#.*//; s/[[:space:]]*$//' "$list" | awk '
  /^\[.*\]$/ { dll = tolower(substr($0, 2, length($0) - 2)); next }
  NF == 1 && dll != "" { print dll, $1 }' | sort -u)
status=0
for f in "$@"; do
  found=$(imports "$f" | sort -u)
  if [ -z "$found" ]; then
    echo "$f: no import table read" >&2
    status=1
    continue
  fi
  extra=$(comm -23 <(echo "$found") <(echo "$allowed"))
  if [ -n "$extra" ]; then
    echo "$f imports what $list does not allow (check it exists in Windows 7 SP1, or look it up at run time):"
    echo "$extra" | sed 's/^/  /'
    status=1
  fi
done
exit $status
