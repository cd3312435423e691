#!/usr/bin/env bash
# A register table as a spreadsheet saves it builds the same device: every example
# description, and one whose names and comments a spreadsheet could mistake (formula signs,
# '#', quotes, separators, Cyrillic), goes through `dsctool table`, LibreOffice Calc
# (opened as the UTF-8 ';' table dsctool writes, saved as Windows-1251 with ';' and as
# UTF-16 with tabs) and `dsctool build`; `dsctool dump` must read each build as the original.
#
#   scripts/dsctool-spreadsheet-check.sh DSCTOOL EXAMPLE_TEXT_DIR
# Exits 77 (skipped) when LibreOffice is not installed.
set -euo pipefail
dsctool=$1
examples=$2
soffice=$(command -v soffice || command -v libreoffice || true)
if [ -z "$soffice" ]; then
  echo "not run: LibreOffice (soffice) is not installed (scripts/deps.sh installs libreoffice-calc-nogui)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/orig" "$work/tables" "$work/profile"

for text in "$examples"/*.txt; do
  "$dsctool" pack "$text" "$work/orig/$(basename "$text" .txt).dsc"
done
# Windows-1251 bytes: "Счётчик", "Режим", "сброс".
printf 'DEVICE_DESCRIPTION\r\n=Dev 7 ; a "quoted" note; with a semicolon, and a comma\r\n#Hash 1 INT R RAM -3 ; -minus first\r\n+Plus 2 ENUM RW HOLD_REG 4 =on "off" a,b\r\n@At 3 REAL R INPT_REG 0\r\n\xd1\xf7\xb8\xf2\xf7\xe8\xea.\xd0\xe5\xe6\xe8\xec 4 SHORT W COIL 1 ; \xf1\xe1\xf0\xee\xf1\r\n' \
  > "$work/tricky.txt"
"$dsctool" pack "$work/tricky.txt" "$work/orig/tricky.dsc"

for dsc in "$work"/orig/*.dsc; do
  "$dsctool" table "$dsc" "$work/tables/$(basename "$dsc" .dsc).csv"
done

# name;filter options (separator, text delimiter, character set: 34 Windows-1251, 65535 UTF-16)
saves=("cp1251-semicolon;59,34,34,1" "utf16-tab;9,34,65535,1")
failed=0
expected=$("$dsctool" dump "$work/orig" 2>/dev/null)
for save in "${saves[@]}"; do
  name=${save%%;*}
  options=${save#*;}
  mkdir -p "$work/$name" "$work/built-$name"
  # One LibreOffice run converts every table; it opens them as dsctool writes them.
  if ! "$soffice" "-env:UserInstallation=file://$work/profile" --headless --infilter="CSV:59,34,76,1" \
      --convert-to "csv:Text - txt - csv (StarCalc):$options" --outdir "$work/$name" "$work"/tables/*.csv \
      > "$work/$name.log" 2>&1; then
    cat "$work/$name.log"
    echo "FAIL: LibreOffice could not save the tables as $name"
    exit 1
  fi
  for table in "$work"/tables/*.csv; do
    saved="$work/$name/$(basename "$table")"
    if [ ! -s "$saved" ]; then
      echo "FAIL: LibreOffice saved no $name of $(basename "$table")"
      failed=1
      continue
    fi
    # The save is in the form asked for, not the UTF-8 it read.
    case $name in
      utf16-*) [ "$(head -c 2 "$saved" | od -An -tx1 | tr -d ' ')" = fffe ] || { echo "FAIL: $saved is not UTF-16LE with its mark"; failed=1; } ;;
      cp1251-*) if cmp -s "$saved" "$table"; then echo "FAIL: $saved is the table unchanged"; failed=1; fi ;;
    esac
    if ! "$dsctool" build "$saved" "$work/built-$name/$(basename "$table" .csv).dsc"; then
      echo "FAIL: the $name save of $(basename "$table") does not build"
      failed=1
    fi
  done
  actual=$("$dsctool" dump "$work/built-$name" 2>/dev/null)
  if [ "$actual" != "$expected" ]; then
    echo "FAIL: the tables saved as $name build other devices:"
    diff <(echo "$expected") <(echo "$actual") || true
    failed=1
  else
    echo "ok: $(ls "$work/built-$name" | wc -l) tables saved as $name build the same devices"
  fi
done
exit $failed
