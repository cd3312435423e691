#!/usr/bin/env bash
# Checks a built guide page: every link inside the page leads to an anchor it has, every
# picture and local link names a file beside it, and nothing needs a script or the network.
# Usage: scripts/guide-check.sh build/guide/index.html
set -uo pipefail
page=${1:?usage: scripts/guide-check.sh PAGE}
dir=$(dirname "$page")
failed=0
fail() { echo "guide-check: $*"; failed=1; }

[ -f "$page" ] || { echo "guide-check: $page missing"; exit 1; }
ids=$(grep -oE ' id="[^"]+"' "$page" | sed -E 's/ id="([^"]+)"/\1/' | sort -u)
anchors=0
while read -r target; do
  [ -n "$target" ] || continue
  anchors=$((anchors + 1))
  grep -qxF "$target" <<<"$ids" || fail "link to #$target: no such anchor"
done < <(grep -oE 'href="#[^"]*"' "$page" | sed -E 's/href="#([^"]*)"/\1/')
files=0
while read -r ref; do
  [ -n "$ref" ] || continue
  case "$ref" in
    \#*) continue ;;
    *://*|//*|mailto:*) fail "$ref: the page must need no network" ; continue ;;
  esac
  files=$((files + 1))
  [ -f "$dir/${ref%%#*}" ] || fail "$ref: no such file beside the page"
done < <(grep -oE '(src|href)="[^"]*"' "$page" | sed -E 's/^(src|href)="([^"]*)"$/\2/')
grep -qi '<script' "$page" && fail "the page holds a script"
grep -qiE '<link[^>]+stylesheet' "$page" && fail "the page links a style sheet instead of holding it"
[ "$anchors" -gt 0 ] || fail "no table of contents (no link to an anchor)"
[ "$files" -gt 0 ] || fail "no pictures"
[ $failed -eq 0 ] && echo "guide-check: $anchors links to anchors, $files pictures and files: all resolve"
exit $failed
