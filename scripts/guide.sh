#!/usr/bin/env bash
# Builds the user's guide into build/guide/: index.html (one page with a table of contents,
# its style inside, no script, nothing from the network) and the pictures it shows beside it.
#
# The source is docs/guide/guide.md (Markdown, built by pandoc). Its pictures are the
# screenshots the Windows tests save of the windows and dialogs: a changed dialog changes
# the guide's picture on the next build. They are taken from build/screenshots when a test
# run left every one there; otherwise (or with --fresh) the tests that save them are run
# first (build/win must be built: scripts/build.sh win64).
#
# Usage: scripts/guide.sh [--fresh] [--no-tests]
#   --fresh     run the tests that save the pictures even when build/screenshots has them
#   --no-tests  never run them; a missing picture is an error
# Then checks the page (scripts/guide-check.sh) and puts a copy beside the built programs.
# Exit code non-zero when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

fresh=0
tests=1
for arg in "$@"; do
  case "$arg" in
    --fresh) fresh=1 ;;
    --no-tests) tests=0 ;;
    *) echo "usage: scripts/guide.sh [--fresh] [--no-tests]" >&2; exit 2 ;;
  esac
done

# shellcheck source=scripts/deps.sh
source scripts/deps.sh
command -v pandoc >/dev/null || zol_install_packages

src=docs/guide
out=$root/build/guide
shots=$root/build/screenshots

# The tests that save the guide's pictures (app_tests of the 64-bit build).
guide_tests='StartupTest.SuccessfulStartShowsTitleAndControlsThenEscapeEnds'
guide_tests+=':ServerStateTest.UnexplainedTagsEachGetAVisibleNodeOfTheirOwn'
guide_tests+=':JourneyTest.EveryCommandAsAUserDoesIt'
guide_tests+=':DescriptionFilesTest.EveryFileWithItsResultFromTheEmptySpaceAndTheSystemMenu'
guide_tests+=':FindTest.CyrillicOfMixedCaseWrapsAndFindNextGoesOnAfterClosing'
guide_tests+=':BranchPeriodTest.ApplyCancelAndRefusal'
guide_tests+=':TagFileTest.ImportOfGoodChangedAndInvalidRowsInEitherEncoding'
guide_tests+=':CopyDeviceTest.FromTheMenuPreFilledByTheSearchPreviewedAsTypedEnterCopiesAndItIsOneUndoStep'
guide_tests+=':LineCheckTest.EveryDeviceFromTheMenuWithCountsAndLoadThenDoubleClickAndEnterSelectTheNode'
guide_tests+=':HistoryTest.DeleteDeviceThenCtrlZRestoresTheServerByteForByteAndCtrlYDeletesAgain'
guide_tests+=':HistoryTest.BackgroundSnapshotOnceAndRestoreThroughTheHistoryDialog'
guide_tests+=':HistoryTest.ALongUndoShowsItsProgressAndStopLeavesTheRestUndoable'
guide_tests+=':FillProgressTest.ShownWhileASlowReadLastsGoneWhenTheTreeIsFilled'

# The pictures the page shows: ![...](NAME.png)
pictures=$(grep -oE '!\[[^]]*\]\([^)]+\.png\)' "$src/guide.md" | sed -E 's/.*\(([^)]+)\)$/\1/' | sort -u)
missing() { local p; for p in $pictures; do [ -f "$shots/$p" ] || echo "$p"; done; }

if [ "$tests" -eq 1 ] && { [ "$fresh" -eq 1 ] || [ -n "$(missing)" ]; }; then
  [ -x build/win/bin/app_tests.exe ] || { echo "guide: build/win/bin/app_tests.exe missing: run scripts/build.sh win64" >&2; exit 1; }
  echo "guide: running the tests that save the pictures"
  # A test that fails still saves what it reached; the page is checked for every picture below.
  mkdir -p build/logs
  GTEST_FILTER=$guide_tests scripts/win-tests.sh build/win app_tests >build/logs/guide-tests.log 2>&1 ||
    echo "guide: some picture tests failed (build/logs/guide-tests.log, build/logs/app_tests.log)"
fi
lost=$(missing)
[ -z "$lost" ] || { echo "guide: pictures missing in $shots:" $lost >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
for p in $pictures; do cp "$shots/$p" "$out/$p"; done

# The style goes inside the page; pandoc's template would add an old browsers' shim from the
# network, which the page does without.
style=$(mktemp)
trap 'rm -f "$style"' EXIT
{ echo '<style>'; cat "$src/guide.css"; echo '</style>'; } >"$style"
pandoc "$src/guide.md" --from markdown --to html5 --standalone --toc --toc-depth=2 \
  --metadata toc-title="Содержание" --include-in-header="$style" --output "$out/index.html"
sed -i '/<!--\[if lt IE 9\]>/,/<!\[endif\]-->/d' "$out/index.html"

scripts/guide-check.sh "$out/index.html"
# Beside the built programs too, so that F1 finds it in a run from the build (scripts/run.sh).
for bin in build/win/bin build/win32/bin; do
  [ -d "$bin" ] || continue
  rm -rf "$bin/guide"
  cp -r "$out" "$bin/guide"
done
echo "guide: $out/index.html ($(echo "$pictures" | wc -w) pictures)"
