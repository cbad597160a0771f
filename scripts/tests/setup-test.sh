#!/usr/bin/env bash
# Set-up's own cases, run against stand-ins of apt-get, dpkg, dpkg-query,
# locale, locale-gen, sleep and sudo put first in PATH: nothing on this
# machine is installed or changed. Each stand-in logs its call.
#   setup-test.sh [SETUP_SCRIPT]   (default: scripts/setup.sh of this tree)
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
setup=${1:-$top/scripts/setup.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$top/cmake/tests/check.sh"
show_failure() { sed 's/^/     | call: /' "$work/calls"; }

# The stand-ins. FAKE_* set their answers; state lives in $FAKE_DIR.
mkdir -p "$work/bin"
stand_in() { printf '#!/bin/sh\necho "%s $*" >>"$FAKE_DIR/calls"\n%s\n' "$1" "$2" >"$work/bin/$1"; chmod +x "$work/bin/$1"; }
stand_in apt-get '
case "$1" in
  update)
    n=$(cat "$FAKE_DIR/updates" 2>/dev/null || echo 0); echo $((n + 1)) >"$FAKE_DIR/updates"
    if [ "$FAKE_UPDATE_FAILS" = always ] || [ "$n" -lt "$FAKE_UPDATE_FAILS" ]; then
      echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  install)
    if [ "$FAKE_INSTALL" = fail ]; then echo "E: Unable to correct problems, you have held broken packages."; exit 100; fi ;;
esac
exit 0'
stand_in dpkg '
case "$1" in
  --print-foreign-architectures) [ -z "$FAKE_ARCHS" ] || echo "$FAKE_ARCHS" ;;
esac
exit 0'
stand_in dpkg-query '
for p; do :; done
if [ "$FAKE_INSTALLED" = all ]; then echo "install ok installed"; else exit 1; fi'
stand_in locale '[ "$FAKE_LOCALE" = yes ] || [ -e "$FAKE_DIR/generated" ] && echo ja_JP.utf8; echo C.utf8'
stand_in locale-gen 'grep -q "^ja_JP.UTF-8 UTF-8" "$ZELT_SETUP_LOCALE_GEN" && touch "$FAKE_DIR/generated"; exit 0'
stand_in sleep 'exit 0'
stand_in sudo 'exec "$@"'

# run_case NAME HOST INSTALLED UPDATE_FAILS INSTALL ARCHS LOCALE: runs set-up
# with these answers; its output in $work/out, the stand-ins' calls in
# $work/calls, its exit code in $rc.
run_case() {
  rm -rf "$work/state"
  mkdir -p "$work/state"
  : >"$work/state/calls"
  printf '# ja_JP.UTF-8 UTF-8\n# en_US.UTF-8 UTF-8\n' >"$work/state/locale.gen"
  env PATH="$work/bin:$PATH" FAKE_DIR="$work/state" ZELT_HOST_I386="$2" ZELT_HOST_I386_WHY= \
    FAKE_INSTALLED="$3" FAKE_UPDATE_FAILS="$4" FAKE_INSTALL="$5" FAKE_ARCHS="$6" FAKE_LOCALE="$7" \
    ZELT_SETUP_LOCALE_GEN="$work/state/locale.gen" ZELT_SETUP_PAUSE=15 \
    bash "$setup" >"$work/out" 2>&1 </dev/null
  rc=$?
  cp "$work/state/calls" "$work/calls"
}
has() { grep -q -e "$2" "$work/$1"; }
lacks() { ! grep -q -e "$2" "$work/$1"; }
count() { grep -c -e "$2" "$work/$1"; }

# A host that refuses i386 code: nothing of i386 is asked for.
run_case "no i386" no none 0 ok "" yes
check "no i386: exit 0 (got $rc)" [ "$rc" = 0 ]
check "no i386: wine32:i386 not installed" lacks calls 'i386'
check "no i386: no i386 architecture added" lacks calls 'add-architecture'
check "no i386: wine64 installed" has calls '^apt-get install .* wine64'
check "no i386: says so" has out 'does not run i386 code'

# A host that runs it: the architecture is added once, wine32:i386 installed.
run_case "i386" yes none 0 ok "" yes
check "i386: exit 0 (got $rc)" [ "$rc" = 0 ]
check "i386: i386 architecture added" has calls '^dpkg --add-architecture i386$'
check "i386: wine32:i386 installed" has calls '^apt-get install .* wine32:i386'
check "i386: the architecture added before the index update" \
  [ "$(grep -n -e add-architecture "$work/calls" | cut -d: -f1)" -lt "$(grep -n -e '^apt-get update' "$work/calls" | cut -d: -f1)" ]
run_case "i386 present" yes none 0 ok "i386" yes
check "i386 already there: not added again" lacks calls 'add-architecture'

# A mirror mid-sync: the update is tried again after a pause; set-up goes
# on when it recovers, and with the old lists when it does not.
run_case "update fails twice" no none 2 ok "" yes
check "update fails twice: exit 0 (got $rc)" [ "$rc" = 0 ]
check "update fails twice: tried three times" [ "$(count calls '^apt-get update')" = 3 ]
check "update fails twice: paused twice" [ "$(count calls '^sleep 15$')" = 2 ]
check "update fails twice: installed" has calls '^apt-get install'
run_case "update never works" no none always ok "" yes
check "update never works, install works: exit 0 (got $rc)" [ "$rc" = 0 ]
check "update never works: tried four times, about a minute of pauses" \
  [ "$(count calls '^apt-get update')" = 4 -a "$(count calls '^sleep 15$')" = 3 ]
check "update never works: says it goes on with the lists apt has" has out 'going on with the lists apt has'
check "update never works: names the index" has out 'binary-i386/Packages.xz'

# The install fails: a clear message that names the cause.
run_case "install fails after update failed" no none always fail "" yes
check "install fails after the update failed: exit 1 (got $rc)" [ "$rc" = 1 ]
check "install fails after the update failed: blames the index update" has out 'after the package index update had failed'
check "install fails after the update failed: names the index" has out 'setup: .*binary-i386/Packages.xz'
check "install fails after the update failed: says try again later" has out 'trying again later usually helps'
check "install fails after the update failed: shows apt's words" has out 'held broken packages'
run_case "install fails" no none 0 fail "" yes
check "install fails, index fine: exit 1 (got $rc)" [ "$rc" = 1 ]
check "install fails, index fine: does not blame the index" lacks out 'try again later'
check "install fails, index fine: says installing failed" has out 'installing failed'

# Everything present: no apt-get at all; the locale made when missing.
run_case "all present" no all 0 ok "" yes
check "all present: exit 0 (got $rc)" [ "$rc" = 0 ]
check "all present: no apt-get" lacks calls '^apt-get'
run_case "locale missing" no all 0 ok "" no
check "locale missing: exit 0 (got $rc)" [ "$rc" = 0 ]
check "locale missing: locale-gen run" has calls '^locale-gen'
check "locale missing: enabled in the locale list" grep -q '^ja_JP.UTF-8 UTF-8' "$work/state/locale.gen"

# Each step in one line, starting with "setup:".
run_case "steps" no none 2 ok "" yes
check "every line of a good run starts with 'setup: '" [ -z "$(grep -v '^setup: ' "$work/out")" ]
check "says each step" [ "$(count out '^setup: ')" -ge 5 ]

# A mistyped override stops set-up before anything is installed.
run_case "bad override" maybe none 0 ok "" yes
check "ZELT_HOST_I386=maybe: exit 2 (got $rc)" [ "$rc" = 2 ]
check "ZELT_HOST_I386=maybe: nothing installed" lacks calls '^apt-get'

finish
