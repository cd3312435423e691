#!/usr/bin/env bash
# The install step (scripts/deps.sh) against a stand-in apt-get that behaves as a half-synced
# mirror does: the first "apt-get update" cannot fetch an index and still exits 0, and every
# transaction that holds an i386 package is refused by the resolver. Checks that the update
# is tried again with apt's words shown, that everything else is installed, that the i386
# packages are listed with apt's reason and the 32-bit wrapper skips with it, that a package
# of the run command's set that cannot be installed fails the step, and that a later run
# that finds everything installed clears the list.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # check WHAT COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# The stand-in tools, on PATH ahead of the real ones. State: installed.txt (one package a
# line), arch.txt, updates.txt (one line per update), refuse.txt (packages apt refuses).
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
state=$ZOL_FAKE_APT
case "$1" in
  update)
    echo update >>"$state/updates.txt"
    if [ "$(wc -l <"$state/updates.txt")" -eq 1 ]; then
      echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    fi
    exit 0 ;;
  install)
    shift
    pkgs=()
    for a in "$@"; do case "$a" in -*) ;; *) pkgs+=("$a") ;; esac; done
    for p in "${pkgs[@]}"; do
      if [[ $p == *:i386 ]] || grep -qx "$p" "$state/refuse.txt" 2>/dev/null; then
        echo "The following packages have unmet dependencies:"
        echo " $p : Depends: libc6 (>= 2.36-9+deb12u14) but 2.36-9+deb12u7 is to be installed"
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100
      fi
    done
    printf '%s\n' "${pkgs[@]}" >>"$state/installed.txt"
    exit 0 ;;
esac
exit 1
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
grep -qx "${*: -1}" "$ZOL_FAKE_APT/installed.txt" 2>/dev/null || exit 1
echo "install ok installed"
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case "$1" in
  --print-foreign-architectures) cat "$ZOL_FAKE_APT/arch.txt" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$ZOL_FAKE_APT/arch.txt" ;;
esac
EOF
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

# fresh_state: a machine with nothing installed.
fresh_state() {
  rm -rf "$work/state"
  mkdir -p "$work/state"
  export ZOL_FAKE_APT=$work/state
}

# install_step [run]: sources the install step in a shell of its own and runs it; its
# output in out.txt, its exit code returned.
install_step() {
  (cd "$work" && PATH="$work/bin:$PATH" ZOL_APT_RETRY_PAUSE=0 ZOL_APT_UNAVAILABLE="$work/unavailable.txt" \
     bash -c 'source "$1/scripts/deps.sh"; shift; zol_install_packages "$@"' _ "$root" "$@") >"$work/out.txt" 2>&1
}

# 1. The half-synced mirror.
fresh_state
install_step
rc=$?
check "the install step succeeds without the i386 packages (exit code $rc)" test "$rc" -eq 0
check "the update is tried again after the index it could not fetch" test "$(wc -l <"$work/state/updates.txt")" -eq 2
check "apt's words about the index are shown" grep -q "Mirror sync in progress" "$work/out.txt"
every_other_installed() {
  local p
  for p in $(bash -c 'source "$1/scripts/deps.sh"; printf "%s\n" "${ZOL_PACKAGES[@]}"' _ "$root"); do
    [[ $p == *:i386 ]] && continue
    grep -qx "$p" "$work/state/installed.txt" || { echo "  not installed: $p"; return 1; }
  done
}
check "every package that is not i386 is installed" every_other_installed
check "the i386 packages were not installed" bash -c "! grep -q ':i386' '$work/state/installed.txt'"
check "the i386 architecture was added" grep -qx i386 "$work/state/arch.txt"
check "wine32:i386 is listed with apt's reason" \
  grep -q "^wine32:i386: .*held broken packages" "$work/unavailable.txt"
check "the list is shown" grep -q "Could not be installed" "$work/out.txt"

# The 32-bit wrapper, where the loader is missing, names apt's reason.
wrapper=$(ZOL_WINE32_LOADER="$work/no-such-loader" ZOL_APT_UNAVAILABLE="$work/unavailable.txt" \
  bash "$root/scripts/with-wine32.sh" --check)
check "the 32-bit tests are skipped with apt's reason ($wrapper)" \
  grep -q "^not run: .*wine32:i386.*apt could not install it: .*held broken packages" <<<"$wrapper"

# 2. A later run, once the mirror has healed: nothing missing, the list is gone.
printf '%s\n' wine32:i386 wine32-preloader:i386 >>"$work/state/installed.txt"
install_step
rc=$?
check "a run with nothing missing succeeds (exit code $rc)" test "$rc" -eq 0
check "and clears the list of what could not be installed" test ! -e "$work/unavailable.txt"

# 3. One test package refused: the rest is still installed, that one listed.
fresh_state
echo nsis >"$work/state/refuse.txt"
install_step
rc=$?
check "a refused test package does not fail the step (exit code $rc)" test "$rc" -eq 0
check "the packages beside it are installed" grep -qx msitools "$work/state/installed.txt"
check "the refused package is listed" grep -q "^nsis: " "$work/unavailable.txt"

# 4. A package of the run command's set refused: the step fails and names it.
fresh_state
echo wine64 >"$work/state/refuse.txt"
install_step
rc=$?
check "a refused run package fails the step (exit code $rc)" test "$rc" -ne 0
check "and is named" grep -q "wine64 is needed to build and run the program" "$work/out.txt"

[ "$failures" -eq 0 ] || { echo "--- output of the last install step:"; cat "$work/out.txt"; exit 1; }
